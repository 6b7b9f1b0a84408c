// What the page sees of its session: the answers as JSON, the state the page is built from, and
// the pictures it shows (the map, the rows of a dialog's lists, its picture buttons).
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "pagesession.h"
#include "subhost/dialogs/dialogs.h"
#include "subhost/host.h"
#include "subhost/mapforms/mapforms.h"
#include "subhost/windows/substitutes.h"

namespace kznhost {

// A Shift-JIS text of the host as the page shows it (UTF-8).
std::string Utf8(const std::string& sjis);

// An answer with BODY as JSON; an error, {"error": WHAT}.
Reply Json(const nlohmann::json& body, int status = 200);
Reply Error(int status, const std::string& what);

// What the state tells besides the host's Filter commands.
struct StateView {
    std::string map;     // the map's file name
    std::string saveTo;  // where Save writes (empty: nowhere)
    int version = 0;     // the commands run and undone
    bool atTop = false;  // no dialog is open: the Filter commands can be used
    bool canUndo = false;
    bool canRedo = false;
    bool canRestart = false;  // the map is not the one opened
    bool canSave = false;
    bool unsaved = false;   // the map is not the one last saved (or downloaded, with no --out)
    std::string unchanged;  // the command just ended, when it changed nothing
    std::size_t lines = 0;  // of the script
    nlohmann::json messages = nlohmann::json::array();
    std::vector<std::string> warnings;
    const subhost::Dialog* dialog = nullptr;                 // the open dialog
    const subhost::FileDialogRequest* fileDialog = nullptr;  // waiting for its answer
};
nlohmann::json StateJson(const subhost::Host& host, const StateView& view);

// The map as the browser draws it: its SVG as it would be written (an SVG map's own markup), with
// the size and viewBox of its art where the map gives none, so that any map shows.
Reply MapPicture(const subhost::Document& document, const subhost::MapSource* source);
// The labels (texts) of the visible layers as boxes of that picture's user units: a list of
// {"text", "x", "y", "width", "height"}.
nlohmann::json MapLabels(const subhost::Document& document);
// The texts the rows of list ID of DIALOG stand for, and the key the state gives them:
// {"key", "texts"}; 404 when the dialog has no such list.
Reply ListTexts(const subhost::Dialog& dialog, int id);
// The rows of list ID of DIALOG that show when it is scrolled TOP pixels down, as the module
// paints them (PNG of the list's size times SCALE, for the screen's pixel ratio); 404 when the
// dialog has no such list.
Reply ListPicture(subhost::Host& host, const subhost::Dialog& dialog, int id, int top,
                  int scale = 1);
// Item ID of DIALOG as it is drawn (PNG); 404 when the dialog has no such item.
Reply ItemPicture(subhost::Host& host, const subhost::Dialog& dialog, int id);

}  // namespace kznhost
