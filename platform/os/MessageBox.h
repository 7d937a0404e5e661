#pragma once
// Modal message boxes of the five kinds. The Qt host shows real boxes; tests script the answers.
#include <string>

namespace quillo {

enum class MessageKind {
    Warning,       // titled "Warning"
    Error,         // titled "Error"
    Information,   // titled "Information"
    Confirmation,  // titled "Confirm"
    Plain,         // titled with the application's title
};

enum class MessageButtons { Ok, OkCancel };
enum class MessageResult { Ok, Cancel };

const char* messageTitle(MessageKind kind);  // "" for Plain: the caller supplies the app title

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MessageResult show(MessageKind kind, const std::string& text,
                               MessageButtons buttons = MessageButtons::Ok) = 0;
};

}  // namespace quillo
