#include "subhost/picture/dialogpicture.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

#include "subhost/picture/canvas.h"
#include "subhost/picture/mappicture.h"
#include "subhost/sjis.h"

namespace subhost::picture {
namespace {

constexpr double kTextSize = 12;  // dialog texts, in pixels
// Host colour numbers beyond those the module uses.
constexpr ASInt32 kADMBackgroundColor = 5;
constexpr ASInt32 kADMWindowColor = 13;

constexpr std::uint32_t kCentredStatic = 0x1;
constexpr std::uint32_t kRightStatic = 0x2;

// The host's pictures that picture buttons name with negative ids.
constexpr ASInt32 kPictureRemove = -16020;
constexpr ASInt32 kPictureUp = -16040;
constexpr ASInt32 kPictureDown = -16050;
constexpr ASInt32 kPictureAdd = -16060;

struct Rgb {
    double r, g, b;
};

Rgb HostColor(ASInt32 color) {
    static constexpr Rgb kColors[] = {
        {0, 0, 0},           // black
        {1, 1, 1},           // white
        {0.2, 0.6, 1},       // highlight
        {1, 1, 1},           // highlighted text
        {0.89, 0.89, 0.89},  // light
        {0.94, 0.94, 0.94},  // background
        {0.63, 0.63, 0.63},  // shadow
        {0.43, 0.43, 0.43},  // disabled
        {0.94, 0.94, 0.94},  // button up
        {0.85, 0.85, 0.85},  // button down
        {0.63, 0.63, 0.63},  // button down shadow
        {1, 1, 0.88},        // tip background
        {0, 0, 0},           // tip text
        {1, 1, 1},           // window
        {0, 0, 0},           // foreground
        {0, 0, 0},           // text
    };
    if (color < 0 || color >= static_cast<ASInt32>(std::size(kColors))) {
        return {1, 0, 1};
    }
    return kColors[color];
}

void Set(cairo_t* cr, Rgb c) {
    cairo_set_source_rgb(cr, c.r, c.g, c.b);
}

const Rgb kFace = HostColor(kADMBackgroundColor);
const Rgb kShadow = {0.45, 0.45, 0.45};
const Rgb kFrame = {0.48, 0.48, 0.48};

double W(const ADMRect& r) {
    return r.right - r.left;
}
double H(const ADMRect& r) {
    return r.bottom - r.top;
}

void FillRect(cairo_t* cr, const ADMRect& r) {
    cairo_rectangle(cr, r.left, r.top, W(r), H(r));
    cairo_fill(cr);
}

// A one-pixel outline just inside R.
void Outline(cairo_t* cr, double left, double top, double width, double height) {
    if (width < 1 || height < 1) {
        return;
    }
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, left + 0.5, top + 0.5, width - 1, height - 1);
    cairo_stroke(cr);
}

void Outline(cairo_t* cr, const ADMRect& r) {
    Outline(cr, r.left, r.top, W(r), H(r));
}

void Line(cairo_t* cr, double x0, double y0, double x1, double y1) {
    cairo_set_line_width(cr, 1);
    cairo_move_to(cr, x0 + 0.5, y0 + 0.5);
    cairo_line_to(cr, x1 + 0.5, y1 + 0.5);
    cairo_stroke(cr);
}

void Sunken(cairo_t* cr, const ADMRect& r) {
    Set(cr, kShadow);
    Line(cr, r.left, r.bottom - 1, r.left, r.top);
    Line(cr, r.left, r.top, r.right - 1, r.top);
    Set(cr, {1, 1, 1});
    Line(cr, r.right - 1, r.top, r.right - 1, r.bottom - 1);
    Line(cr, r.right - 1, r.bottom - 1, r.left, r.bottom - 1);
}

void PaintArtDrawing(cairo_t* cr, const ArtDrawing& drawing, const Document& document) {
    if (!document.Alive(drawing.request.art)) {
        return;  // the art is gone since it was drawn
    }
    const PixelRect& clip = drawing.clip;
    cairo_save(cr);
    cairo_rectangle(cr, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
    cairo_clip(cr);
    if (drawing.request.eraseDestClipRect) {
        Set(cr, HostColor(kADMWhiteColor));
        cairo_paint(cr);
    }
    PaintArt(cr, document.Get(drawing.request.art), drawing.toPixels);
    cairo_restore(cr);
}

// The text a row or an item shows, as UTF-8.
std::string Utf8(const std::string& sjis) {
    return ShowSjis(sjis);
}

ASInt32 TextColor(const Item& item) {
    return item.enabled ? kADMTextColor : kADMDisabledColor;
}

void Raised(cairo_t* cr, const ADMRect& r, bool thick) {
    Set(cr, kFace);
    FillRect(cr, r);
    Set(cr, kFrame);
    Outline(cr, r);
    if (thick) {
        Set(cr, HostColor(kADMHiliteColor));
        Outline(cr, r.left + 1, r.top + 1, W(r) - 2, H(r) - 2);
    }
}

// An arrow in R pointing to DX, DY (one of them 0), or a cross.
void HostPicture(cairo_t* cr, const ADMRect& r, ASInt32 id, bool enabled) {
    const double cx = r.left + W(r) / 2.0;
    const double cy = r.top + H(r) / 2.0;
    const double s = std::max(2.0, std::min(W(r), H(r)) / 2.0 - 3);
    SetHostColor(cr, enabled ? kADMTextColor : kADMDisabledColor);
    cairo_set_line_width(cr, 2);
    if (id == kPictureRemove) {
        cairo_move_to(cr, cx - s, cy - s);
        cairo_line_to(cr, cx + s, cy + s);
        cairo_move_to(cr, cx + s, cy - s);
        cairo_line_to(cr, cx - s, cy + s);
        cairo_stroke(cr);
        return;
    }
    double dx = 0;
    double dy = 0;
    if (id == kPictureUp) {
        dy = -1;
    } else if (id == kPictureDown) {
        dy = 1;
    } else if (id == kPictureAdd) {
        dx = -1;
    } else {
        ShowTextIn(cr, "?", kTextSize, r.left, r.top, W(r), H(r), true);
        return;
    }
    // The head at the far end, a shaft back from it.
    const double hx = cx + dx * s;
    const double hy = cy + dy * s;
    cairo_move_to(cr, hx, hy);
    cairo_line_to(cr, hx - dx * s - dy * s, hy - dy * s - dx * s);
    cairo_line_to(cr, hx - dx * s + dy * s, hy - dy * s + dx * s);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_move_to(cr, cx, cy);
    cairo_line_to(cr, cx - dx * s, cy - dy * s);
    cairo_stroke(cr);
}

// Icon group ID of the module's resources, as a picture; null when there is none.
std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> IconPicture(
    const ResourceSet& resources, ASInt32 id) {
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> none(nullptr,
                                                                            cairo_surface_destroy);
    if (id <= 0 || id > 0xFFFF) {
        return none;
    }
    const Resource* group = resources.Find(ResourceId::Number(kIconGroupType),
                                           ResourceId::Number(static_cast<std::uint16_t>(id)));
    if (group == nullptr) {
        return none;
    }
    try {
        for (std::uint16_t member : IconGroupMembers(group->data)) {
            const Resource* icon =
                resources.Find(ResourceId::Number(kIconType), ResourceId::Number(member));
            if (icon == nullptr) {
                continue;
            }
            const IconImage image = IconImage::Parse(icon->data);
            std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
                cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height),
                cairo_surface_destroy);
            cairo_surface_flush(surface.get());
            unsigned char* data = cairo_image_surface_get_data(surface.get());
            const int stride = cairo_image_surface_get_stride(surface.get());
            for (int y = 0; y < image.height; ++y) {
                auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
                for (int x = 0; x < image.width; ++x) {
                    const std::optional<int> index = image.Pixel(x, y);
                    row[x] = index && *index < static_cast<int>(image.palette.size())
                                 ? 0xFF000000u | image.palette[*index]
                                 : 0;
                }
            }
            cairo_surface_mark_dirty(surface.get());
            return surface;
        }
    } catch (const std::exception&) {
        // A broken icon shows as no picture.
    }
    return none;
}

void PictureButton(cairo_t* cr, const Item& item, const ResourceSet& resources) {
    const ADMRect& r = item.bounds;
    Raised(cr, r, false);
    if (item.pictureID < 0) {
        HostPicture(cr, r, item.pictureID, item.enabled);
        return;
    }
    auto icon = IconPicture(resources, item.pictureID);
    if (!icon) {
        SetHostColor(cr, TextColor(item));
        ShowTextIn(cr, "?", kTextSize, r.left, r.top, W(r), H(r), true);
        return;
    }
    // The icon made as large as the button's inside takes, keeping its proportions.
    const double w = cairo_image_surface_get_width(icon.get());
    const double h = cairo_image_surface_get_height(icon.get());
    const double f = std::min((W(r) - 4) / w, (H(r) - 4) / h);
    cairo_save(cr);
    cairo_translate(cr, r.left + (W(r) - w * f) / 2, r.top + (H(r) - h * f) / 2);
    cairo_scale(cr, f, f);
    cairo_set_source_surface(cr, icon.get(), 0, 0);
    cairo_paint_with_alpha(cr, item.enabled ? 1 : 0.4);
    cairo_restore(cr);
}

void CheckMark(cairo_t* cr, const Item& item, bool round) {
    const ADMRect& r = item.bounds;
    const double box = 12;
    const double top = r.top + (H(r) - box) / 2;
    Set(cr, {1, 1, 1});
    cairo_new_path(cr);
    if (round) {
        cairo_arc(cr, r.left + box / 2, top + box / 2, box / 2 - 0.5, 0, 2 * std::numbers::pi);
        cairo_fill_preserve(cr);
        Set(cr, kFrame);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    } else {
        cairo_rectangle(cr, r.left, top, box, box);
        cairo_fill(cr);
        Set(cr, kFrame);
        Outline(cr, r.left, top, box, box);
    }
    if (item.booleanValue) {
        SetHostColor(cr, TextColor(item));
        if (round) {
            cairo_new_path(cr);
            cairo_arc(cr, r.left + box / 2, top + box / 2, 2.5, 0, 2 * std::numbers::pi);
            cairo_fill(cr);
        } else {
            cairo_set_line_width(cr, 2);
            cairo_move_to(cr, r.left + 2.5, top + 6);
            cairo_line_to(cr, r.left + 5, top + 9);
            cairo_line_to(cr, r.left + 9.5, top + 3);
            cairo_stroke(cr);
        }
    }
    SetHostColor(cr, TextColor(item));
    ShowTextIn(cr, Utf8(item.text), kTextSize, r.left + box + 4, r.top, W(r) - box - 4, H(r));
}

void GroupBox(cairo_t* cr, const Item& item) {
    const ADMRect& r = item.bounds;
    const double line = r.top + kTextSize / 2;
    Set(cr, kFrame);
    Outline(cr, r.left, line, W(r), H(r) - (line - r.top));
    const std::string text = Utf8(item.text);
    if (!text.empty()) {
        const double width = TextWidth(cr, text, kTextSize) + 4;
        Set(cr, kFace);
        cairo_rectangle(cr, r.left + 6, r.top, width, kTextSize);
        cairo_fill(cr);
        SetHostColor(cr, TextColor(item));
        ShowTextIn(cr, text, kTextSize, r.left + 8, r.top, width, kTextSize);
    }
}

// The rows of a list that show, as the module painted them, over a white box.
void ListRows(cairo_t* cr, const Item& item, const DialogScene& scene) {
    const ADMRect& r = item.bounds;
    Set(cr, HostColor(kADMWindowColor));
    FillRect(cr, r);
    cairo_save(cr);
    cairo_rectangle(cr, r.left, r.top, W(r), H(r));
    cairo_clip(cr);
    cairo_translate(cr, r.left, r.top);
    for (const Entry* entry : item.list->entries) {
        if (scene.manager.Visible(*entry)) {
            // Each row painted in its own coordinates; what lands outside it still shows.
            const ADMRect row = scene.manager.BoundsOf(*entry);
            cairo_save(cr);
            cairo_translate(cr, row.left, row.top);
            Replay(cr, entry->painted, scene.document);
            cairo_restore(cr);
        }
    }
    cairo_restore(cr);
    Set(cr, kFrame);
    Outline(cr, r);
}

void Popup(cairo_t* cr, const Item& item) {
    const ADMRect& r = item.bounds;
    Set(cr, {1, 1, 1});
    FillRect(cr, r);
    Set(cr, kFrame);
    Outline(cr, r);
    const double button = std::min<double>(H(r), 16);
    Raised(cr, {static_cast<ASInt32>(r.right - button), r.top, r.right, r.bottom}, false);
    SetHostColor(cr, item.enabled ? kADMTextColor : kADMDisabledColor);
    const double cx = r.right - button / 2;
    const double cy = r.top + H(r) / 2.0;
    cairo_move_to(cr, cx - 3.5, cy - 1.5);
    cairo_line_to(cr, cx + 3.5, cy - 1.5);
    cairo_line_to(cr, cx, cy + 2);
    cairo_close_path(cr);
    cairo_fill(cr);
    const Entry* shown = item.list->active;
    for (const Entry* entry : item.list->entries) {
        shown = shown != nullptr ? shown : (entry->selected ? entry : nullptr);
    }
    if (shown != nullptr) {
        SetHostColor(cr, TextColor(item));
        ShowTextIn(cr, Utf8(shown->text), kTextSize, r.left + 3, r.top, W(r) - button - 4, H(r));
    }
}

void PaintItem(cairo_t* cr, const Item& item, const DialogScene& scene) {
    const ADMRect& r = item.bounds;
    switch (item.kind) {
        case ItemKind::PushButton:
        case ItemKind::DefaultButton:
            Raised(cr, r, item.kind == ItemKind::DefaultButton);
            SetHostColor(cr, TextColor(item));
            ShowTextIn(cr, Utf8(item.text), kTextSize, r.left, r.top, W(r), H(r), true);
            break;
        case ItemKind::CheckBox:
            CheckMark(cr, item, false);
            break;
        case ItemKind::RadioButton:
            CheckMark(cr, item, true);
            break;
        case ItemKind::GroupBox:
            GroupBox(cr, item);
            break;
        case ItemKind::Static: {
            const std::uint32_t align = item.source.style & 0x3;
            const std::string text = Utf8(item.text);
            const double width = TextWidth(cr, text, kTextSize);
            const double left = align == kCentredStatic ? r.left + (W(r) - width) / 2
                                : align == kRightStatic ? r.right - width
                                                        : r.left;
            SetHostColor(cr, TextColor(item));
            cairo_save(cr);
            cairo_rectangle(cr, r.left, r.top, W(r), H(r));
            cairo_clip(cr);
            cairo_translate(cr, left, r.top + kTextSize * 0.85);
            ShowText(cr, text, kTextSize);
            cairo_restore(cr);
            break;
        }
        case ItemKind::Edit:
            Set(cr, HostColor(item.enabled ? kADMWindowColor : kADMBackgroundColor));
            FillRect(cr, r);
            Sunken(cr, r);
            SetHostColor(cr, TextColor(item));
            ShowTextIn(cr, Utf8(item.text), kTextSize, r.left + 3, r.top, W(r) - 6, H(r));
            break;
        case ItemKind::ListBox:
        case ItemKind::AdmListBox:
            ListRows(cr, item, scene);
            break;
        case ItemKind::PopupList:
            Popup(cr, item);
            break;
        case ItemKind::PictureButton:
            PictureButton(cr, item, scene.resources);
            break;
        case ItemKind::Other:
            Set(cr, kFrame);
            Outline(cr, r);
            ShowTextIn(cr, item.source.className, kTextSize, r.left + 2, r.top, W(r) - 4, H(r));
            break;
    }
}

}  // namespace

void SetHostColor(cairo_t* cr, ASInt32 color) {
    Set(cr, HostColor(color));
}

void Replay(cairo_t* cr, const DisplayList& painted, const Document& document) {
    for (const DrawOp& op : painted) {
        SetHostColor(cr, op.color);
        switch (op.kind) {
            case DrawOp::Kind::Color:
                break;
            case DrawOp::Kind::Fill:
                FillRect(cr, op.rect);
                break;
            case DrawOp::Kind::Frame:
                Outline(cr, op.rect);
                break;
            case DrawOp::Kind::Line:
                Line(cr, op.from.h, op.from.v, op.to.h, op.to.v);
                break;
            case DrawOp::Kind::Text:
                ShowTextIn(cr, Utf8(op.text), kTextSize, op.rect.left, op.rect.top, W(op.rect),
                           H(op.rect));
                break;
            case DrawOp::Kind::Sunken:
                Sunken(cr, op.rect);
                break;
            case DrawOp::Kind::Image:
                if (op.copy) {
                    cairo_save(cr);
                    cairo_translate(cr, op.from.h, op.from.v);
                    cairo_rectangle(cr, 0, 0, op.copy->width, op.copy->height);
                    cairo_clip(cr);
                    Replay(cr, op.copy->painted, document);
                    cairo_restore(cr);
                }
                break;
            case DrawOp::Kind::Art:
                if (op.art) {
                    PaintArtDrawing(cr, *op.art, document);
                }
                break;
        }
    }
}

int DialogWidth(const Dialog& dialog) {
    if (dialog.source == nullptr) {
        int right = 0;
        for (const Item* item : dialog.items) {
            right = std::max<int>(right, item->bounds.right);
        }
        return std::max(right, 1);
    }
    return std::max(dialog.source->rect.width * BaseUnitsOf(dialog.source).x / 4, 1);
}

int DialogHeight(const Dialog& dialog) {
    if (dialog.source == nullptr) {
        int bottom = 0;
        for (const Item* item : dialog.items) {
            bottom = std::max<int>(bottom, item->bounds.bottom);
        }
        return bottom + kCaption;
    }
    return dialog.source->rect.height * BaseUnitsOf(dialog.source).y / 8 + kCaption;
}

void PaintList(cairo_t* cr, const Item& item, const DialogScene& scene) {
    ListRows(cr, item, scene);
}

void PaintDialog(cairo_t* cr, const DialogScene& scene) {
    const Dialog& dialog = scene.dialog;
    const int width = DialogWidth(dialog);
    const int height = DialogHeight(dialog);
    Set(cr, kFace);
    cairo_paint(cr);
    // The caption bar with the dialog's title.
    cairo_pattern_t* bar = cairo_pattern_create_linear(0, 0, width, 0);
    cairo_pattern_add_color_stop_rgb(bar, 0, 0.04, 0.14, 0.42);
    cairo_pattern_add_color_stop_rgb(bar, 1, 0.65, 0.79, 0.94);
    cairo_set_source(cr, bar);
    cairo_rectangle(cr, 0, 0, width, kCaption);
    cairo_fill(cr);
    cairo_pattern_destroy(bar);
    Set(cr, {1, 1, 1});
    ShowTextIn(cr, Utf8(dialog.source != nullptr ? dialog.source->title : dialog.name), kTextSize,
               6, 0, width - 12, kCaption);
    Set(cr, kShadow);
    Outline(cr, 0, 0, width, height);

    cairo_save(cr);
    cairo_rectangle(cr, 0, kCaption, width, height - kCaption);
    cairo_clip(cr);
    cairo_translate(cr, 0, kCaption);
    for (const Item* item : dialog.items) {
        PaintItem(cr, *item, scene);
    }
    cairo_restore(cr);
}

void SnapshotDialog(const DialogScene& scene, const std::string& path) {
    WritePicture(path, DialogWidth(scene.dialog), DialogHeight(scene.dialog),
                 [&](cairo_t* cr) { PaintDialog(cr, scene); });
}

}  // namespace subhost::picture
