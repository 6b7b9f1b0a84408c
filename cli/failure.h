// What kznhost says of an exception that ends a command (or one request of kznhost serve).
#pragma once

#include <exception>
#include <new>
#include <string>

namespace kznhost {

// E's own message; where memory ran out (std::bad_alloc, whose message says nothing a person
// reads), that the machine ran out of memory while DOING ("reading the map m.svg").
inline std::string Said(const std::exception& e, const std::string& doing) {
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) {
        return "the machine ran out of memory while " + doing;
    }
    return e.what();
}

}  // namespace kznhost
