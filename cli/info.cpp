#include "info.h"

#include <cstdio>
#include <iomanip>

#include "load.h"
#include "output.h"
#include "subhost/error.h"
#include "subhost/host.h"
#include "subhost/sjis.h"

namespace kznhost {
namespace {

using subhost::ShowSjis;

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string Quoted(const std::string& sjis) {
    return "\"" + ShowSjis(sjis) + "\"";
}

void PrintProperty(const subhost::PiplProperty& p, std::ostream& out) {
    out << "  " << subhost::FourCC(p.vendor) << " " << subhost::FourCC(p.key) << "  id " << p.id
        << "  ";
    if (p.key == subhost::Code("kind") && p.data.size() == 4) {
        const std::uint32_t v = p.data[0] | (p.data[1] << 8) | (p.data[2] << 16) |
                                (static_cast<std::uint32_t>(p.data[3]) << 24);
        out << "'" << subhost::FourCC(v) << "'";
    } else if (p.key == subhost::Code("ivrs") && p.data.size() == 4) {
        out << (p.data[0] | (p.data[1] << 8) | (p.data[2] << 16) | (p.data[3] << 24));
    } else if (p.key == subhost::Code("wx86")) {
        out << "\"" << std::string(reinterpret_cast<const char*>(p.data.data())) << "\"";
    } else {
        out << p.data.size() << " bytes:";
        for (std::uint8_t b : p.data) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x", b);
            out << " " << hex;
        }
    }
    out << "\n";
}

std::string EnableText(const std::optional<subhost::MenuAutoUpdate>& menu) {
    if (!menu) {
        return "not set";
    }
    std::string text = "action " + std::to_string(menu->action) + ", if true " +
                       Hex(static_cast<std::uint32_t>(menu->ifTrue)) + ", if false " +
                       Hex(static_cast<std::uint32_t>(menu->ifFalse));
    if (menu->action == 1 && menu->ifTrue == 0x40 && menu->ifFalse == 0 && menu->ifMenuArt == 0 &&
        menu->ifNotMenuArt == 0 && menu->ifSelectedArt == 0 && menu->ifNotSelectedArt == 0) {
        text += " (enabled while a document is open)";
    }
    return text;
}

// The Filter menu the module registers at start-up: it is started in HOST.
void PrintFilterMenu(subhost::Host& host, std::ostream& out) {
    const ASErr startup = host.Startup();
    out << "\nFilter menu (registered at start-up";
    if (startup != kNoErr) {
        out << ", which returned " << subhost::CodeName(startup);
    }
    out << "):\n";
    for (const subhost::FilterRecord& f : host.filters()) {
        out << "  " << Quoted(f.category) << " > " << Quoted(f.title) << "  name " << f.name
            << "  menu: " << EnableText(f.menu) << "\n";
    }
    host.Shutdown();
}

void PrintFile(const subhost::PluginModule& m, std::ostream& out) {
    out << "File: " << m.format() << "; exports";
    for (const std::string& name : m.exports()) {
        out << " " << name;
    }
    out << "\n";
    if (m.imports().empty()) {
        return;
    }
    out << "Imports:\n";
    for (const subhost::PeImport& i : m.imports()) {
        out << "  " << i.library << (i.delayed ? " (delay-loaded)" : "") << ": "
            << i.functions.size() << (i.functions.size() == 1 ? " function\n" : " functions\n");
    }
}

}  // namespace

int PrintInfo(const std::string& pluginPath, std::ostream& out, std::ostream& err) {
    out << "kznhost " << KZN_VERSION << "\n";
    // What the file says of itself is read without loading it, so that a module built for
    // another machine (the Windows DLL, on Linux) can be looked into as well.
    std::unique_ptr<subhost::PluginModule> inspected;
    try {
        inspected = subhost::PluginModule::Inspect(pluginPath);
    } catch (const subhost::ModuleError& e) {
        err << "kznhost: " << e.what() << "\n";
        return 2;
    }
    std::unique_ptr<subhost::Host> host;
    if (inspected->LoadableHere()) {
        std::unique_ptr<subhost::PluginModule> loaded = LoadPlugin(pluginPath, err);
        if (loaded == nullptr) {
            return 2;
        }
        host = std::make_unique<subhost::Host>(std::move(loaded));
    }
    // Everything below is what the host uses: the loaded module's resources where it is loaded.
    const subhost::PluginModule& m = host ? host->module() : *inspected;

    out << "Module " << m.path() << "\n";
    PrintFile(*inspected, out);
    const subhost::Pipl& pipl = m.pipl();
    out << "\nProperty list (PIPL 16000): prefix " << pipl.prefix << ", version " << pipl.version
        << ", " << pipl.count << " properties counted, " << pipl.properties.size() << " present\n";
    for (const subhost::PiplProperty& p : pipl.properties) {
        PrintProperty(p, out);
    }

    if (host) {
        PrintFilterMenu(*host, out);
    } else {
        out << "\nFilter menu: not shown: a " << m.format()
            << " is not started by this host (what follows is read from the file)\n";
    }

    out << "\nDialogs:\n";
    for (const subhost::Resource& r : m.resources().all()) {
        if (r.type != subhost::ResourceId::Number(subhost::kDialogType) || !r.name.number) {
            continue;
        }
        const subhost::DialogTemplate* d = m.Dialog(*r.name.number);
        out << "  " << *r.name.number << " " << Quoted(d->title) << "  " << d->rect.width << " x "
            << d->rect.height << "  style " << Hex(d->style);
        if (d->pointSize) {
            out << "  font " << *d->pointSize << " " << Quoted(d->font);
        }
        out << "\n";
        for (const subhost::ItemTemplate& item : d->items) {
            out << "    " << std::setw(5) << item.id << "  " << std::left << std::setw(28)
                << item.className << std::right << "  " << Quoted(item.text) << "  " << item.rect.x
                << ", " << item.rect.y << ", " << item.rect.width << ", " << item.rect.height
                << "  " << Hex(item.style) << "\n";
        }
    }

    out << "\nStrings:\n";
    for (const auto& [id, text] : m.strings()) {
        out << "  " << std::setw(5) << id << "  " << Quoted(text) << "\n";
    }

    out << "\nIcons:\n";
    for (const subhost::Resource& r : m.resources().all()) {
        if (r.type != subhost::ResourceId::Number(subhost::kIconGroupType)) {
            continue;
        }
        out << "  group " << r.name.Show() << ":";
        for (std::uint16_t id : subhost::IconGroupMembers(r.data)) {
            const subhost::Resource* icon = m.resources().Find(
                subhost::ResourceId::Number(subhost::kIconType), subhost::ResourceId::Number(id));
            out << " icon " << id;
            if (icon != nullptr) {
                const subhost::IconImage image = subhost::IconImage::Parse(icon->data);
                out << " (" << image.width << " x " << image.height << ", " << (1 << image.bitCount)
                    << " colours)";
            }
        }
        out << "\n";
    }
    return Written(out, err, 0);
}

}  // namespace kznhost
