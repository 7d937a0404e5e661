#pragma once
// The next picture of the playlist, decoded on a worker thread during the delay so that its tick
// shows it at once. One picture at a time, at most one ahead: a new request replaces the one
// before. The worker touches only its own job state and the picture decoders; the saver never
// waits for it except for the very picture a tick needs, and letting go of it never waits at all.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "DecodeOptions.h"
#include "FileIdentity.h"
#include "Picture.h"

namespace quillo {

// Everything a picture's loading depends on: a picture decoded for one request serves only the
// same request.
struct PictureRequest {
    int position = 0;  // in the picture list, from 0
    std::string path;
    DecodeOptions options;
    Size fitBox{};  // under Fit, the box a larger picture is shrunk to; empty without Fit

    friend bool operator==(const PictureRequest& a, const PictureRequest& b) {
        const DecodeOptions &x = a.options, &y = b.options;
        return a.position == b.position && a.path == b.path && a.fitBox == b.fitBox &&
               x.screenDepth == y.screenDepth && x.pixelBudget == y.pixelBudget &&
               x.cover == y.cover && x.clip == y.clip && x.sample == y.sample;
    }
};

// A request's outcome: the picture, decoded (shrunk under Fit), or how it failed.
struct LoadedPicture {
    Picture picture;
    bool loadFailed = false;    // the file could not be loaded at all
    bool decodeFailed = false;  // it loaded, but its image data fail to decode
    // Decoded ahead: the file as it was just before it was read.
    FileIdentity file;
};

// A picture larger than the box as the largest picture of its shape inside it, averaged down
// from the decoded pixels; throws when its image data fail to decode.
Picture shrinkToFit(Picture picture, Size box);

// Loads, shrinks under Fit and decodes the picture of a request; never throws.
LoadedPicture loadRequestedPicture(const PictureRequest& request);

// What decodes a request (loadRequestedPicture; tests put their own in); never throws.
using PictureDecoder = std::function<LoadedPicture(const PictureRequest&)>;

class PictureAhead {
public:
    PictureAhead();
    // Abandons a decode still running: the worker finishes it alone and ends.
    ~PictureAhead();
    PictureAhead(const PictureAhead&) = delete;
    PictureAhead& operator=(const PictureAhead&) = delete;

    // What decodes the requests started from now on.
    void setDecoder(PictureDecoder decode);
    // Starts decoding this picture; drops what was decoded or asked for before.
    void start(PictureRequest request);
    // The picture decoded for this very request (waiting for it when it is being decoded now);
    // nothing when another one was asked for, which is then dropped, or when the file has
    // changed since it was read (another device, inode, size or time).
    std::optional<LoadedPicture> take(const PictureRequest& request);
    // Drops whatever is decoded or asked for; never waits.
    void cancel();
    // For tests: returns once the worker has nothing to do.
    void waitUntilIdle();

private:
    struct State;
    // The worker's loop: decodes what is asked for until the saver lets go of it.
    static void runWorker(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
};

}  // namespace quillo
