#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/Geometry.h"

// Loosely typed accessibility values. A backend reports what the window system holds; the
// rules for unreadable or wrongly typed values (skip, default) live with the callers.

namespace platform {

// A handle for one accessibility element. It is a plain value: a stale handle stays safe to
// use and simply makes later reads fail.
struct Element {
    enum class Kind : std::uint8_t { None, Application, Window, Button };
    Kind kind = Kind::None;
    std::int32_t pid = 0;   // owning process
    std::uint64_t ref = 0;  // backend-defined identity (a window id, a button's window, ...)

    bool isNull() const { return kind == Kind::None; }
    friend bool operator==(const Element&, const Element&) = default;
};

// Status codes of accessibility calls; only success is ever distinguished by callers.
enum class AXError : std::int32_t {
    Success = 0,
    Failure = -25200,
    IllegalArgument = -25201,
    InvalidElement = -25202,
    CannotComplete = -25204,
    AttributeUnsupported = -25205,
    ActionUnsupported = -25206,
    NoValue = -25212,
    APIDisabled = -25211,
};

// Absent, string, Boolean, number, point, size, element or list of elements.
using AXValue = std::variant<std::monostate, std::string, bool, double, Point, Size, Element,
                             std::vector<Element>>;

struct AXResult {
    AXError error = AXError::Failure;
    AXValue value;

    bool ok() const { return error == AXError::Success; }
    template <class T>
    const T* get() const {
        return ok() ? std::get_if<T>(&value) : nullptr;
    }
};

// Attribute and action names used by the program.
namespace ax {
inline constexpr const char* kWindows = "AXWindows";
inline constexpr const char* kTitle = "AXTitle";
inline constexpr const char* kPosition = "AXPosition";
inline constexpr const char* kSize = "AXSize";
inline constexpr const char* kMinimized = "AXMinimized";
inline constexpr const char* kSubrole = "AXSubrole";
inline constexpr const char* kFocusedWindow = "AXFocusedWindow";
inline constexpr const char* kCloseButton = "AXCloseButton";
inline constexpr const char* kMain = "AXMain";
inline constexpr const char* kFrontmost = "AXFrontmost";
inline constexpr const char* kRaise = "AXRaise";
inline constexpr const char* kPress = "AXPress";
inline constexpr const char* kStandardWindow = "AXStandardWindow";
inline constexpr const char* kDialog = "AXDialog";
}  // namespace ax

}  // namespace platform
