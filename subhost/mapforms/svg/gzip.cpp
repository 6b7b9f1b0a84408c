// gzip, as .svgz files hold SVG (zlib): every member of a file, one after another.

#include <zlib.h>

#include "subhost/mapforms/svgform.h"

namespace subhost {

std::string Gunzip(const std::string& bytes, const std::string& name, std::uint64_t bound) {
    z_stream z{};
    if (inflateInit2(&z, 15 + 32) != Z_OK) {
        throw MapError(name + ": cannot be inflated");
    }
    std::string out;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    char buffer[1 << 16];
    int status = Z_OK;
    while (true) {
        if (status == Z_STREAM_END) {
            // Another member may follow (as `cat a.gz b.gz` makes one file of two): read as gzip
            // -d reads it, all of them one after another. Bytes after the last are passed over.
            if (z.avail_in < 2 || z.next_in[0] != 0x1F || z.next_in[1] != 0x8B) {
                break;
            }
            inflateReset(&z);
        }
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        status = inflate(&z, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) {
            inflateEnd(&z);
            throw MapError(name + ": not gzip-compressed SVG (" +
                           (z.msg != nullptr ? z.msg : "the data ends too soon") + ")");
        }
        out.append(buffer, sizeof buffer - z.avail_out);
        if (out.size() > bound) {
            inflateEnd(&z);
            throw MapError(name + ": inflates to more than " + std::to_string(bound >> 20) +
                           " MiB, the most a map may hold");
        }
        if (status == Z_OK && z.avail_in == 0 && z.avail_out != 0) {
            inflateEnd(&z);
            throw MapError(name + ": not gzip-compressed SVG (the data ends too soon)");
        }
    }
    inflateEnd(&z);
    return out;
}

std::string Gzip(const std::string& bytes) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw MapError("cannot be compressed (zlib has no memory for it)");
    }
    std::string out(deflateBound(&z, bytes.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (status != Z_STREAM_END) {
        throw MapError("cannot be compressed (zlib: " + std::to_string(status) + ")");
    }
    return out;
}

}  // namespace subhost
