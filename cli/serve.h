// kznhost serve: the plug-in's dialogs in a web page, for a person with a mouse. The server
// listens on 127.0.0.1 only; docs/serve.md has the page, its hooks and the HTTP interface.
#pragma once

#include <ostream>

#include "pagesession.h"

namespace kznhost {

// Prints the page's address (with its token) on OUT and serves until Ctrl-C or the page's Quit:
// exit status 0; 2 when the module or the map cannot be read or the port cannot be had.
int Serve(const ServeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kznhost
