#pragma once
// The next picture of the playlist, decoded on a worker thread during the delay so that its tick
// shows it at once. One picture at a time, at most one ahead: a new request replaces the one
// before, and a decode no longer wanted is stopped part way. The worker touches only its own job
// state and the picture decoders; the saver waits for it only for the very picture a tick needs,
// and at its end, for as long as a stopped decoder takes to give up.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

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

    friend bool operator==(const PictureRequest&, const PictureRequest&) = default;
};

// A request's outcome: the picture, decoded (shrunk under Fit), or how it failed.
struct LoadedPicture {
    Picture picture;
    bool loadFailed = false;    // the file could not be loaded at all
    bool decodeFailed = false;  // it loaded, but its image data fail to decode
    bool stopped = false;       // given up on when the request's stop was raised
    // Decoded ahead: the file as it was just before it was read.
    FileIdentity file;
};

// A picture larger than the box as the largest picture of its shape inside it, averaged down
// from the decoded pixels; throws when its image data fail to decode, or DecodeStopped when
// `stop` is raised.
Picture shrinkToFit(Picture picture, Size box, const DecodeStop* stop = nullptr);

// Loads, shrinks under Fit and decodes the picture of a request; never throws. Gives up when
// the request's stop is raised.
LoadedPicture loadRequestedPicture(const PictureRequest& request);

// What decodes a request (loadRequestedPicture; tests put their own in); never throws.
using PictureDecoder = std::function<LoadedPicture(const PictureRequest&)>;

class PictureAhead {
public:
    PictureAhead();
    // Ends the worker as end() does.
    ~PictureAhead();
    PictureAhead(const PictureAhead&) = delete;
    PictureAhead& operator=(const PictureAhead&) = delete;

    // What decodes the requests started from now on. The request it is given carries the
    // worker's stop in its options.
    void setDecoder(PictureDecoder decode);
    // Starts decoding this picture; drops what was decoded or asked for before, and stops the
    // decode under way unless it is this very request.
    void start(PictureRequest request);
    // The picture decoded for this very request (waiting for it when it is being decoded now);
    // nothing when another one was asked for, which is then dropped, or when the file has
    // changed since it was read (another device, inode, size or time).
    std::optional<LoadedPicture> take(const PictureRequest& request);
    // Drops whatever is decoded or asked for and stops the decode under way; never waits.
    void cancel();
    // Stops the decode under way and waits for the worker to end: a decoder gives up within a
    // row, so this is short. The wait is bounded all the same (a read stuck on a network file
    // system): after `wait` the worker is left to end alone. Idempotent.
    static constexpr std::chrono::milliseconds kEndWait{2000};
    void end(std::chrono::milliseconds wait = kEndWait);

    // For tests: returns once the worker has nothing to do.
    void waitUntilIdle();
    // For tests: returns once a take() waits for the decode under way.
    void waitUntilTaking();
    // For tests and the benchmark: whether the worker has ended (after end(), false only when
    // it was left).
    bool workerEnded();

private:
    struct State;
    // The worker's loop: decodes what is asked for until the saver ends.
    static void runWorker(std::shared_ptr<State> state);
    // Forgets what was decoded or asked for; the decode under way is stopped unless it is
    // `keep`. Under the state's lock.
    static void changeMind(State& state, const PictureRequest* keep = nullptr);
    std::shared_ptr<State> state_;
    std::thread worker_;
};

}  // namespace quillo
