#pragma once
// User-facing messages (load failures a user should see). By default they go
// to standard error as "caption: text"; the platform layer installs a handler
// that shows a message box instead, and tests install one that records them.

#include <cstdio>
#include <functional>
#include <string>
#include <utility>

namespace gen
{

using TMessageHandler = std::function<void(const std::string& text, const std::string& caption)>;

inline void WriteMessageToStderr(const std::string& text, const std::string& caption)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
}

namespace detail
{
inline TMessageHandler& MessageHandlerSlot()
{
    static TMessageHandler handler = &WriteMessageToStderr;
    return handler;
}
} // namespace detail

// Installs handler (an empty one restores the standard error default) and
// returns the one it replaces.
inline TMessageHandler SetMessageHandler(TMessageHandler handler)
{
    TMessageHandler previous = std::move(detail::MessageHandlerSlot());
    detail::MessageHandlerSlot() = handler ? std::move(handler) : TMessageHandler(&WriteMessageToStderr);
    return previous;
}

// Shows text under caption and returns once the user has seen it (a modal
// box with an OK button where there is a display).
inline void ShowMessage(const std::string& text, const std::string& caption)
{
    detail::MessageHandlerSlot()(text, caption);
}

} // namespace gen
