#include "actions.h"

#include <algorithm>

#include "failure.h"
#include "subhost/error.h"
#include "subhost/sjis.h"

#ifdef KZN_PICTURES
#include "subhost/picture/dialogpicture.h"
#endif

namespace kznhost {
namespace {

// The most bytes of a typed text that the plug-in keeps as a text-to-text destination.
constexpr std::size_t kKeptDestination = 100;

// What the plug-in keeps of the Shift-JIS TEXT: its first kKeptDestination bytes, less a
// character that would be cut in two there (a byte in 0x81-0x9F or 0xE0-0xFC leads two).
std::string Kept(const std::string& text) {
    std::size_t kept = 0;
    while (kept < text.size()) {
        const auto lead = static_cast<unsigned char>(text[kept]);
        const std::size_t next =
            kept + ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC) ? 2 : 1);
        if (next > kKeptDestination) {
            break;
        }
        kept = next;
    }
    return text.substr(0, std::min(kept, text.size()));
}

}  // namespace

std::string Actor::InFolder(const std::string& name) const {
    if (codePage932_) {
        if (const std::optional<std::string> sjis = subhost::Utf8ToSjis(name)) {
            return (folder_ / *sjis).string();
        }
    }
    const std::filesystem::path path(name);
    return (path.is_absolute() ? path : folder_ / path).string();
}

void Actor::QueueFile(const ScriptLine& line) {
    const ScriptArg& arg = line.args[0];
    host_.win32().QueueFileAnswer(arg.quoted ? std::optional(InFolder(arg.text)) : std::nullopt);
}

void Actor::Act(subhost::DialogSession& s, const ScriptLine& line) {
    const auto& a = line.args;
    if (line.verb == "file") {
        QueueFile(line);
    } else if (line.verb == "filter") {
        throw subhost::ActionError("a dialog is open: the Filter menu cannot be used");
    } else if (line.verb == "layer") {
        s.Pick(LayerPopup(s), a[0].text);
    } else if (line.verb == "row") {
        if (a[1].quoted) {
            s.ClickRow(line.Item(), a[1].text);
        } else {
            s.ClickRow(line.Item(), std::stoi(a[1].text));
        }
    } else if (line.verb == "click") {
        s.Click(line.Item());
    } else if (line.verb == "check") {
        s.Check(line.Item(), a[1].text == "on");
    } else if (line.verb == "type") {
        s.Type(line.Item(), a[1].text);
        WarnOfLength(line);
    } else if (line.verb == "ok") {
        s.Ok();
    } else if (line.verb == "cancel") {
        s.Cancel();
    } else if (line.verb == "snapshot") {
        Snapshot(s, a[0].text);
    }
}

bool Actor::WarnOfLength(const ScriptLine& line) {
    const std::string& text = line.args[1].text;
    if (text.size() <= kKeptDestination) {
        return false;
    }
    warn_(line, std::to_string(text.size()) +
                    " bytes of Shift-JIS typed; a destination keeps its first " +
                    std::to_string(kKeptDestination));
    return true;
}

std::optional<ScriptLine> Actor::Cut(const ScriptLine& line) {
    if (line.verb != "type" || !WarnOfLength(line)) {
        return std::nullopt;
    }
    ScriptLine cut = line;
    cut.args[1].text = Kept(line.args[1].text);
    return cut;
}

// Pictures the dialog as it stands, its rows freshly painted by the module.
void Actor::Snapshot(subhost::DialogSession& s, const std::string& name) {
    const std::string file = InFolder(name);
#ifdef KZN_PICTURES
    s.Paint();
    try {
        subhost::picture::SnapshotDialog(
            {s.dialog(), host_.dialogs(), host_.document(), host_.module().resources()}, file);
        return;
    } catch (const std::exception& e) {
        unwritten_ = Said(e, "drawing the snapshot " + file);
    }
#else
    (void)s;
    unwritten_ = file + ": this kznhost draws no pictures";
#endif
    throw subhost::ActionError(*unwritten_);
}

int Actor::LayerPopup(const subhost::DialogSession& s) {
    for (const subhost::Item* item : s.dialog().items) {
        if (item->kind == subhost::ItemKind::PopupList) {
            return item->id();
        }
    }
    throw subhost::ActionError("the dialog has no layer popup");
}

}  // namespace kznhost
