// The page kznhost serve gives out: its files, as they are in cli/page/, built into kznhost.
#pragma once

#include <cstddef>

namespace kznhost::page {

extern const unsigned char kIndexHtml[];
extern const std::size_t kIndexHtmlSize;
extern const unsigned char kPageJs[];
extern const std::size_t kPageJsSize;
extern const unsigned char kPageCss[];
extern const std::size_t kPageCssSize;

}  // namespace kznhost::page
