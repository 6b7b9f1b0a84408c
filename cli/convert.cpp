#include "convert.h"

#include "subhost/files.h"
#include "subhost/mapforms/mapforms.h"

namespace kznhost {

int ConvertMap(const std::string& in, const std::string& out, std::ostream& err) {
    try {
        if (subhost::FileKey(in) == subhost::FileKey(out)) {
            err << "kznhost: " << out << ": is the map being read; write it to another file\n";
            return 2;
        }
        const subhost::LoadedMap map = subhost::LoadMap(in);
        subhost::WriteMap(*map.document, out, map.source.get());
    } catch (const std::exception& e) {
        err << "kznhost: " << e.what() << "\n";
        return 2;
    }
    return 0;
}

}  // namespace kznhost
