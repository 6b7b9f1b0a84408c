// Pictures read back as a person sees them: the colour of each pixel.
#pragma once

#include <cairo.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "subhost/picture/canvas.h"
#include "support/tempdir.h"

namespace kzntest {

struct Color {
    int r = 0, g = 0, b = 0;
    bool operator==(const Color&) const = default;
    int Darkness() const { return 255 * 3 - r - g - b; }
};

class Pixels {
  public:
    // Reads the PNG file at PATH; an empty picture when it cannot be read.
    static Pixels FromPng(const std::string& path) {
        cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
        Pixels p = From(s);
        cairo_surface_destroy(s);
        return p;
    }
    // Draws a WIDTH x HEIGHT picture with PAINT into memory.
    static Pixels Draw(int width, int height, const subhost::picture::Painter& paint) {
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        cairo_t* cr = cairo_create(s);
        paint(cr);
        cairo_destroy(cr);
        Pixels p = From(s);
        cairo_surface_destroy(s);
        return p;
    }

    int width() const { return width_; }
    int height() const { return height_; }
    // The colour at (X, Y) over white; white outside the picture.
    Color At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) {
            return {255, 255, 255};
        }
        const std::uint32_t v = argb_[static_cast<std::size_t>(y) * width_ + x];
        const int a = static_cast<int>(v >> 24);
        // Premultiplied: over white, each channel gains what the alpha leaves.
        return {static_cast<int>((v >> 16) & 0xFF) + 255 - a,
                static_cast<int>((v >> 8) & 0xFF) + 255 - a, static_cast<int>(v & 0xFF) + 255 - a};
    }
    // Whether some pixel of the rectangle has COLOR (within TOLERANCE on each channel).
    bool Has(int left, int top, int right, int bottom, Color color, int tolerance = 8) const {
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                const Color c = At(x, y);
                if (std::abs(c.r - color.r) <= tolerance && std::abs(c.g - color.g) <= tolerance &&
                    std::abs(c.b - color.b) <= tolerance) {
                    return true;
                }
            }
        }
        return false;
    }
    // The darkest pixel of the rectangle.
    Color Darkest(int left, int top, int right, int bottom) const {
        Color darkest{255, 255, 255};
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                if (At(x, y).Darkness() > darkest.Darkness()) {
                    darkest = At(x, y);
                }
            }
        }
        return darkest;
    }

  private:
    static Pixels From(cairo_surface_t* s) {
        Pixels p;
        if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
            return p;
        }
        cairo_surface_flush(s);
        p.width_ = cairo_image_surface_get_width(s);
        p.height_ = cairo_image_surface_get_height(s);
        const int stride = cairo_image_surface_get_stride(s);
        const unsigned char* data = cairo_image_surface_get_data(s);
        for (int y = 0; y < p.height_; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
            p.argb_.insert(p.argb_.end(), row, row + p.width_);
        }
        return p;
    }

    int width_ = 0, height_ = 0;
    std::vector<std::uint32_t> argb_;
};

// What CALL writes on the process's standard error, where glib and pango write.
inline std::string StandardErrorOf(const std::function<void()>& call) {
    TempDir dir;
    std::fflush(stderr);
    const int file = ::open((dir / "err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int saved = ::dup(2);
    ::dup2(file, 2);
    call();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    ::close(file);
    return TempDir::Read(dir / "err.txt");
}

inline constexpr Color kBlack{0, 0, 0};
inline constexpr Color kWhite{255, 255, 255};

}  // namespace kzntest
