#pragma once
// Named failures. Each carries the text the user sees in the default error display.
#include <stdexcept>
#include <string>

namespace quillo {

class QuilloError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A picture file the loader cannot read: unknown extension, unreadable file or invalid bitmap.
class InvalidGraphic : public QuilloError {
public:
    using QuilloError::QuilloError;
};

// libjpeg refused the file; the text is "JPEG error #<libjpeg's message code>".
class JpegError : public QuilloError {
public:
    explicit JpegError(int code)
        : QuilloError("JPEG error #" + std::to_string(code)), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

// A decode given up because its stop was raised: nothing is wrong with the picture.
class DecodeStopped : public QuilloError {
public:
    DecodeStopped() : QuilloError("The decode was stopped") {}
};

// The audio service could not open a sound file (no audio device, a file it cannot play).
class MediaDeviceError : public QuilloError {
public:
    using QuilloError::QuilloError;
};

// The settings file could not be written.
class SettingsWriteError : public QuilloError {
public:
    explicit SettingsWriteError(const std::string& path)
        : QuilloError("Unable to write to " + path), path_(path) {}
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The settings file is larger than any the program writes; it is neither read nor written.
class SettingsFileTooLarge : public QuilloError {
public:
    explicit SettingsFileTooLarge(const std::string& path)
        : QuilloError("The settings file " + path + " is larger than 64 MB and cannot be used") {}
};

}  // namespace quillo
