// What the page sees of its session: the state as JSON, and the pictures it shows.
#include "pageview.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string_view>

#include "subhost/document/artgeometry.h"
#include "subhost/picture/canvas.h"
#include "subhost/picture/dialogpicture.h"
#include "subhost/picture/mappicture.h"
#include "subhost/sjis.h"
#include "subhost/text.h"

namespace kznhost {
namespace {

using nlohmann::json;

// A key that changes with the texts of LIST's rows (FNV-1a over them).
std::string TextsKey(const subhost::List& list) {
    std::uint64_t hash = 14695981039346656037ULL;
    const auto add = [&](unsigned char byte) {
        hash ^= byte;
        hash *= 1099511628211ULL;
    };
    for (const subhost::Entry* entry : list.entries) {
        for (const char c : entry->text) {
            add(static_cast<unsigned char>(c));
        }
        add(0);
    }
    char key[17];
    std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(hash));
    return std::to_string(list.entries.size()) + "-" + key;
}

json DialogJson(const subhost::Dialog& dialog) {
    json items = json::array();
    for (const subhost::Item* item : dialog.items) {
        const ADMRect& r = item->bounds;
        json j = {{"id", item->id()},
                  {"kind", subhost::ShortKindName(item->kind)},
                  {"text", Utf8(item->text)},
                  {"x", r.left},
                  {"y", r.top},
                  {"width", r.right - r.left},
                  {"height", r.bottom - r.top},
                  {"enabled", item->enabled},
                  {"checked", item->booleanValue},
                  {"picture", item->pictureID}};
        if (!item->tip.empty()) {
            j["tip"] = Utf8(item->tip);
        }
        if (item->list != nullptr) {
            json selected = json::array();
            json entries = json::array();
            int index = 0;
            const bool popup = item->kind == subhost::ItemKind::PopupList;
            for (const subhost::Entry* entry : item->list->entries) {
                if (entry->selected) {
                    selected.push_back(index);
                }
                if (popup) {
                    entries.push_back(Utf8(entry->text));
                }
                ++index;
            }
            j["rows"] = item->list->entries.size();
            j["selected"] = selected;
            j["scrollTop"] = item->list->scrollTop;
            j["rowHeight"] = subhost::DialogManager::kRowHeight;
            if (popup) {
                j["entries"] = entries;
            } else {
                // The texts a list's rows stand for (the page outlines the labels a row means)
                // come apart, when this key says they changed: a list of 10,000 rows would
                // otherwise weigh on every action.
                j["textsKey"] = TextsKey(*item->list);
            }
        }
        items.push_back(j);
    }
    return {{"title", Utf8(dialog.source != nullptr ? dialog.source->title : dialog.name)},
            {"width", subhost::picture::DialogWidth(dialog)},
            {"height", subhost::picture::DialogHeight(dialog) - subhost::picture::kCaption},
            {"items", items}};
}

// A PNG of WIDTH x HEIGHT pixels (one at least) painted by PAINT.
Reply Png(int width, int height, const subhost::picture::Painter& paint) {
    return {200,
            subhost::picture::PictureBytes(subhost::picture::Format::Png, std::max(width, 1),
                                           std::max(height, 1), paint),
            "image/png", ""};
}

// A map with no size of its own shows nothing in a browser's image: the root is given the
// viewBox of its art (with a margin) and that size in pixels, where it has neither.
void GiveSize(std::string& svg, const subhost::Document& document) {
    const std::size_t root = svg.find("<svg");
    std::size_t start = root;
    for (std::size_t at = svg.find('<'); at != std::string::npos; at = svg.find('<', at + 1)) {
        const char next = at + 1 < svg.size() ? svg[at + 1] : '\0';
        if (next != '?' && next != '!') {
            start = at;  // the first element: the root, whatever its prefix
            break;
        }
    }
    if (start == std::string::npos || root == std::string::npos) {
        return;
    }
    const std::size_t end = svg.find('>', start);
    const std::string_view tag(svg.data() + start, end == std::string::npos ? 0 : end - start);
    const auto has = [&](std::string_view name) {
        for (std::size_t at = tag.find(name); at != std::string_view::npos;
             at = tag.find(name, at + 1)) {
            const char before = at > 0 ? tag[at - 1] : ' ';
            if ((before == ' ' || before == '\n' || before == '\t' || before == '\r') &&
                tag.substr(at + name.size()).find_first_not_of(" \t\r\n") !=
                    std::string_view::npos &&
                tag[tag.find_first_not_of(" \t\r\n", at + name.size())] == '=') {
                return true;
            }
        }
        return false;
    };
    const bool width = has("width"), height = has("height");
    if (has("viewBox") || (width && height)) {
        return;
    }
    subhost::picture::Page page;
    try {
        page = subhost::picture::PageOf(document, 1);
    } catch (const std::exception&) {
        return;  // too large to size: shown as the browser would
    }
    const geometry::Rect& a = page.area;
    // The area's y grows upwards; the picture's user units, downwards.
    // Only what the root lacks: a width or height of its own stays, with the viewBox added.
    std::string size = " viewBox=\"" + subhost::ShortestNumber(a.left) + " " +
                       subhost::ShortestNumber(-a.top) + " " +
                       subhost::ShortestNumber(a.right - a.left) + " " +
                       subhost::ShortestNumber(a.top - a.bottom) + "\"";
    if (!width && !height) {
        size += " width=\"" + std::to_string(page.width) + "\" height=\"" +
                std::to_string(page.height) + "\"";
    }
    std::size_t name = start + 1;
    while (name < svg.size() && svg[name] != ' ' && svg[name] != '>' && svg[name] != '/' &&
           svg[name] != '\n' && svg[name] != '\t' && svg[name] != '\r') {
        ++name;
    }
    svg.insert(name, size);
}

}  // namespace

std::string Utf8(const std::string& sjis) {
    return subhost::SjisToUtf8(sjis).value_or(subhost::ShowSjis(sjis));
}

Reply Json(const json& body, int status) {
    // Names from the file system may be bytes that are not UTF-8: shown replaced, never fatal.
    return {status, body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json",
            ""};
}

Reply Error(int status, const std::string& what) {
    return Json({{"error", what}}, status);
}

json StateJson(const subhost::Host& host, const StateView& view) {
    json filters = json::array();
    for (const subhost::FilterRecord& f : host.filters()) {
        filters.push_back({{"name", f.name}, {"title", Utf8(f.title)}, {"enabled", view.atTop}});
    }
    json state = {{"map", view.map},
                  {"mapName", view.map},
                  {"saveTo", view.saveTo.empty() ? json(nullptr) : json(view.saveTo)},
                  {"version", view.version},
                  {"filters", filters},
                  {"dialog", nullptr},
                  {"fileDialog", nullptr},
                  {"canUndo", view.canUndo},
                  {"canRedo", view.canRedo},
                  {"canRestart", view.canRestart},
                  {"canSave", view.canSave},
                  {"unsaved", view.unsaved},
                  {"lines", view.lines},
                  {"messages", view.messages},
                  {"warnings", view.warnings}};
    if (!view.unchanged.empty()) {
        state["unchanged"] = view.unchanged;
    }
    if (view.dialog != nullptr) {
        state["dialog"] = DialogJson(*view.dialog);
    }
    if (view.fileDialog != nullptr) {
        const subhost::FileDialogRequest& asked = *view.fileDialog;
        // The filter in force (the module's index counts from 1), and every pattern it offers.
        const std::size_t chosen = asked.filterIndex > 0 ? asked.filterIndex - 1 : 0;
        std::string filter, patterns;
        for (std::size_t i = 0; i + 1 < asked.filters.size(); i += 2) {
            if (i / 2 == chosen) {
                filter = Utf8(asked.filters[i]);
            }
            patterns += (patterns.empty() ? "" : ";") + Utf8(asked.filters[i + 1]);
        }
        state["fileDialog"] = {{"save", asked.save},
                               {"title", Utf8(asked.title)},
                               {"file", Utf8(asked.initialFile)},
                               {"filter", filter},
                               {"patterns", patterns}};
    }
    return state;
}

Reply MapPicture(const subhost::Document& document, const subhost::MapSource* source) {
    std::string svg = subhost::FormatMap(document, subhost::MapForm::kSvg, source);
    GiveSize(svg, document);
    return {200, std::move(svg), "image/svg+xml", ""};
}

json MapLabels(const subhost::Document& document) {
    json labels = json::array();
    std::function<void(const subhost::Art&)> walk = [&](const subhost::Art& art) {
        if (art.hidden) {
            return;
        }
        if (art.type == kTextArt && art.textPath == nullptr) {
            // Document y grows upwards; the picture's user units, downwards.
            geometry::Bounds box;
            for (const subhost::Point& corner : subhost::TextBox(art)) {
                box.Add({corner.x, -corner.y});
            }
            if (!box.empty()) {
                const geometry::Rect r = box.rect();
                labels.push_back({{"text", Utf8(art.text)},
                                  {"x", r.left},
                                  {"y", r.bottom},  // (of the turned-over y: the box's top)
                                  {"width", r.right - r.left},
                                  {"height", r.top - r.bottom}});
            }
        }
        for (const subhost::Art* child : art.children) {
            walk(*child);
        }
    };
    for (const subhost::Layer* layer : document.layers()) {
        walk(*layer->group);
    }
    return labels;
}

Reply ListTexts(const subhost::Dialog& dialog, int id) {
    const subhost::Item* item = dialog.FindItem(id);
    if (item == nullptr || item->list == nullptr || item->kind == subhost::ItemKind::PopupList) {
        return Error(404, "the dialog has no list " + std::to_string(id));
    }
    json texts = json::array();
    for (const subhost::Entry* entry : item->list->entries) {
        texts.push_back(Utf8(entry->text));
    }
    return Json({{"key", TextsKey(*item->list)}, {"texts", texts}});
}

Reply ListPicture(subhost::Host& host, const subhost::Dialog& dialog, int id, int top, int scale) {
    const subhost::Item* item = dialog.FindItem(id);
    if (item == nullptr || item->list == nullptr || item->kind == subhost::ItemKind::PopupList) {
        return Error(404, "the dialog has no list " + std::to_string(id));
    }
    subhost::List& list = *item->list;
    const int rows = static_cast<int>(list.entries.size());
    const int height = item->bounds.bottom - item->bounds.top;
    const int most = std::max(0, rows * subhost::DialogManager::kRowHeight - height);
    list.scrollTop = std::clamp(top, 0, most);
    host.dialogs().Paint(list);
    const subhost::picture::DialogScene scene{dialog, host.dialogs(), host.document(),
                                              host.module().resources()};
    scale = std::clamp(scale, 1, 4);
    return Png((item->bounds.right - item->bounds.left) * scale, height * scale, [&](cairo_t* cr) {
        cairo_scale(cr, scale, scale);
        cairo_translate(cr, -item->bounds.left, -item->bounds.top);
        subhost::picture::PaintList(cr, *item, scene);
    });
}

Reply ItemPicture(subhost::Host& host, const subhost::Dialog& dialog, int id) {
    const subhost::Item* item = dialog.FindItem(id);
    if (item == nullptr) {
        return Error(404, "the dialog has no item " + std::to_string(id));
    }
    const subhost::picture::DialogScene scene{dialog, host.dialogs(), host.document(),
                                              host.module().resources()};
    const ADMRect& r = item->bounds;
    return Png(r.right - r.left, r.bottom - r.top, [&](cairo_t* cr) {
        cairo_translate(cr, -r.left, -(r.top + subhost::picture::kCaption));
        subhost::picture::PaintDialog(cr, scene);
    });
}

}  // namespace kznhost
