// Pictures people look at: a cairo drawing written as PNG or SVG, and text set with pango in a
// Japanese font. Texts given here are UTF-8; the document's Shift-JIS is converted by the callers.
#pragma once

#include <cairo.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace subhost::picture {

// A picture that cannot be made or written; the message names the file and what is wrong.
class PictureError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class Format { Png, Svg };

// The format a picture's file name asks for (".png" or ".svg", in any case); throws PictureError
// for any other name.
Format FormatOf(const std::string& path);

// Draws a picture: called once with a context whose user space is the picture's pixels (SVG
// units), the origin at the top-left corner, y growing downwards.
using Painter = std::function<void(cairo_t*)>;

// The bytes of a WIDTH x HEIGHT picture in FORMAT. Throws PictureError when cairo fails.
std::string PictureBytes(Format format, int width, int height, const Painter& paint);

// Writes the picture to PATH as its name asks, all or nothing (as WriteWholeFile does). Throws
// PictureError (for the name or the drawing) or FileError (for the file).
void WritePicture(const std::string& path, int width, int height, const Painter& paint);

// The family every text is set in: a Gothic with the whole of JIS X 0208.
constexpr const char* kFontFamily = "IPAGothic";

struct Rgb {
    double r = 0, g = 0, b = 0;
};

// Texts smaller than this many pixels are not drawn; texts larger than kOutlinePixels are drawn
// as outlines set at that size and enlarged.
constexpr double kLeastTextPixels = 0.05;
constexpr double kOutlinePixels = 200;

// Sets UTF8 in one line (or several: lines end at CR; a line feed is not drawn) at SIZE pixels,
// with the first baseline's left end at the current user-space origin, in the source colour. Lines
// follow each other 1.2 sizes apart, as the host's text boxes do.
void ShowText(cairo_t* cr, const std::string& utf8, double size);

// The advance width of UTF8's longest line at SIZE pixels.
double TextWidth(cairo_t* cr, const std::string& utf8, double size);

// UTF8 set at SIZE pixels inside the rectangle (LEFT, TOP, WIDTH, HEIGHT): left-aligned (or
// centred across), centred down, clipped to the rectangle.
void ShowTextIn(cairo_t* cr, const std::string& utf8, double size, double left, double top,
                double width, double height, bool centred = false);

}  // namespace subhost::picture
