#include "convert.h"

#include "failure.h"
#include "subhost/files.h"
#include "subhost/mapforms/mapforms.h"

namespace kznhost {

int ConvertMap(const std::string& in, const std::string& out, std::ostream& err) {
    std::string doing = "reading the map " + in;
    try {
        if (subhost::FileKey(in) == subhost::FileKey(out)) {
            err << "kznhost: " << out << ": is the map being read; write it to another file\n";
            return 2;
        }
        const subhost::LoadedMap map = subhost::LoadMap(in);
        doing = "writing the map " + out;
        subhost::WriteMap(*map.document, out, map.source.get());
    } catch (const std::exception& e) {
        err << "kznhost: " << Said(e, doing) << "\n";
        return 2;
    }
    return 0;
}

}  // namespace kznhost
