#pragma once
// The pictures the next tick takes, decoded on one worker thread during the delay, in the order
// the shows take them, so that each tick shows them at once. Each comes cut or scaled to what its
// mode draws (PictureShape), so a decoded photo is held only while it is shaped. A new list of
// requests replaces the one before, and a decode no longer wanted is stopped part way. The worker
// touches only its own job state and the picture decoders; the saver waits for it only for the
// very picture a tick needs, and at its end, for as long as a stopped decoder takes to give up.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "DecodeOptions.h"
#include "FileIdentity.h"
#include "Picture.h"

namespace quillo {

// What of a decoded picture its mode draws, so that only that is kept.
struct PictureShape {
    enum class Keep {
        Whole,      // the picture as decoded
        Stretched,  // stretched to `size`, centred on `screen`: the part on the screen
        Centred,    // at its own size centred on `screen`: the part on the screen
        TopLeft,    // its top-left part of `size` (drawn from the screen's top-left quarter)
        // Averaged down, at its own shape, to the smallest size that still covers `size` (a
        // picture filtered to any framing down to that size); one no larger stays as it is.
        Covering,
    };
    Keep keep = Keep::Whole;
    Size size{};
    Size screen{};
    // Centred: the top-left part of this size is kept as well (a picture shown behind the next).
    Size corner{};

    friend bool operator==(const PictureShape&, const PictureShape&) = default;
};

// Where the part of a picture kept by a Stretched or Centred shape goes on the screen: the
// picture of size `drawn` centred on the screen, cut at its edges.
Rect shownPart(Size screen, Size drawn);

// Everything a picture's loading depends on: a picture decoded for one request serves only the
// same request.
struct PictureRequest {
    int position = 0;  // in the picture list, from 0
    std::string path;
    DecodeOptions options;
    Size fitBox{};  // under Fit, the box a larger picture is shrunk to; empty without Fit
    PictureShape shape{};

    friend bool operator==(const PictureRequest&, const PictureRequest&) = default;
};

// A request's outcome: the picture, decoded (shrunk under Fit) and shaped, or how it failed.
struct LoadedPicture {
    Picture picture;
    Size natural{};             // the picture's size as decoded (and shrunk), before it was shaped
    Picture corner;             // a Centred shape's top-left corner
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

// Keeps of a decoded picture only what the shape draws (into `loaded`'s picture and corner),
// setting its natural size; throws when its image data fail to decode.
void shapePicture(LoadedPicture& loaded, const PictureShape& shape);

// Loads, shrinks under Fit, decodes and shapes the picture of a request; never throws. Gives up
// when the request's stop is raised.
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
    // Decodes these pictures, one after the other in this order; drops what was decoded or asked
    // for before and is not among them, and stops the decode under way unless it is. Decoded
    // pictures wait to be taken; while they hold kHeldPixels or more, the next decode waits too.
    static constexpr std::uint64_t kHeldPixels = std::uint64_t(16) << 20;
    void start(std::vector<PictureRequest> requests);
    void start(PictureRequest request) { start(std::vector{std::move(request)}); }
    // The picture decoded for this very request (waiting for it when it is being decoded now),
    // dropping the requests before it, whose takers have passed. Nothing when it was not asked
    // for, and the first request is then dropped in its place, or when the file has changed since
    // it was read (another device, inode, size or time).
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
    // Forgets the first `count` requests (with what was decoded for them); a decode under way
    // among them is stopped. Under the state's lock.
    static void drop(State& state, std::size_t count);
    std::shared_ptr<State> state_;
    std::thread worker_;
};

}  // namespace quillo
