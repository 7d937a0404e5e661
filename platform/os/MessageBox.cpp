#include "MessageBox.h"

namespace quillo {

const char* messageTitle(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning:
            return "Warning";
        case MessageKind::Error:
            return "Error";
        case MessageKind::Information:
            return "Information";
        case MessageKind::Confirmation:
            return "Confirm";
        case MessageKind::Plain:
            break;
    }
    return "";
}

}  // namespace quillo
