// What the page sees of its session: the state as JSON, and the pictures it shows.
#include "pageview.h"

#include <algorithm>

#include "subhost/picture/canvas.h"
#include "subhost/picture/dialogpicture.h"
#include "subhost/picture/mappicture.h"
#include "subhost/sjis.h"

namespace kznhost {
namespace {

using nlohmann::json;

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
                  {"checked", item->booleanValue}};
        if (item->list != nullptr) {
            json selected = json::array();
            json entries = json::array();
            int index = 0;
            for (const subhost::Entry* entry : item->list->entries) {
                if (entry->selected) {
                    selected.push_back(index);
                }
                if (item->kind == subhost::ItemKind::PopupList) {
                    entries.push_back(Utf8(entry->text));
                }
                ++index;
            }
            j["rows"] = item->list->entries.size();
            j["selected"] = selected;
            j["scrollTop"] = item->list->scrollTop;
            j["rowHeight"] = subhost::DialogManager::kRowHeight;
            if (item->kind == subhost::ItemKind::PopupList) {
                j["entries"] = entries;
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
    json state = {{"map", view.map},           {"version", view.version},
                  {"filters", filters},        {"dialog", nullptr},
                  {"fileDialog", nullptr},     {"canUndo", view.canUndo},
                  {"canSave", view.canSave},   {"lines", view.lines},
                  {"messages", view.messages}, {"warnings", view.warnings}};
    if (view.dialog != nullptr) {
        state["dialog"] = DialogJson(*view.dialog);
    }
    if (view.fileDialog != nullptr) {
        state["fileDialog"] = {{"save", view.fileDialog->save},
                               {"title", Utf8(view.fileDialog->title)},
                               {"file", Utf8(view.fileDialog->initialFile)}};
    }
    return state;
}

Reply MapPicture(const subhost::Document& document, const subhost::MapSource* source) {
    if (source != nullptr) {
        return {200, subhost::FormatMap(document, subhost::MapForm::kSvg, source), "image/svg+xml",
                ""};
    }
    const subhost::picture::Page page = subhost::picture::PageOf(document, 1);
    return {200,
            subhost::picture::PictureBytes(
                subhost::picture::Format::Svg, page.width, page.height,
                [&](cairo_t* cr) { subhost::picture::PaintMap(cr, document, page); }),
            "image/svg+xml", ""};
}

Reply ListPicture(subhost::Host& host, const subhost::Dialog& dialog, int id, int top) {
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
    return Png(item->bounds.right - item->bounds.left, height, [&](cairo_t* cr) {
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
