#pragma once

#include <cstdint>
#include <string>

#include "platform/AXTypes.h"

namespace platform {

// Read and drive other applications' windows through accessibility elements. Every call is
// synchronous and may fail; a failed write or action changes nothing.
class Accessibility {
  public:
    virtual ~Accessibility() = default;

    // Whether the program may use this interface; with `prompt` the system may ask the user.
    virtual bool isTrusted(bool prompt) = 0;
    // The element standing for a whole application.
    virtual Element applicationElement(std::int32_t pid) = 0;
    // Read an attribute: a status and, on success, a value that may still be absent.
    virtual AXResult copyAttribute(const Element& element, const std::string& attribute) = 0;
    virtual AXError setAttribute(const Element& element, const std::string& attribute,
                                 const AXValue& value) = 0;
    virtual AXError performAction(const Element& element, const std::string& action) = 0;
    // The window server's number of a window element; `number` is left alone on failure.
    virtual AXError windowNumber(const Element& window, std::uint32_t& number) = 0;
};

}  // namespace platform
