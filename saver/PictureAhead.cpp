#include "PictureAhead.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "LayoutGeometry.h"
#include "Shrink.h"

namespace quillo {

Picture shrinkToFit(Picture picture, Size box) {
    const Size fit = fitSize(box, picture.width(), picture.height());
    if (fit.width == picture.width() && fit.height == picture.height()) return picture;
    Picture shrunk(shrinkBitmap(picture.bitmap(), fit.width, fit.height));
    shrunk.setTakenAt(picture.takenAt());
    return shrunk;
}

LoadedPicture loadRequestedPicture(const PictureRequest& request) {
    LoadedPicture out;
    try {
        out.picture.loadFromFile(request.path, request.options);
    } catch (...) {
        out.loadFailed = true;
        return out;
    }
    try {
        if (request.fitBox.width > 0 && request.fitBox.height > 0)
            out.picture = shrinkToFit(std::move(out.picture), request.fitBox);
        out.picture.bitmap();
    } catch (...) {
        out.decodeFailed = true;
    }
    return out;
}

// Shared by the saver and the worker, so that a worker left decoding when the saver ends still
// has it.
struct PictureAhead::State {
    std::mutex mutex;
    PictureDecoder decode = loadRequestedPicture;
    std::condition_variable changed;
    std::optional<PictureRequest> queued;   // asked for, not started
    std::optional<PictureRequest> running;  // being decoded now
    std::optional<PictureRequest> doneFor;  // what `done` was decoded for
    LoadedPicture done;
    // Counts every change of mind: a decode started under another count is not kept.
    std::uint64_t generation = 0;
    bool workerStarted = false;
    bool ending = false;
};

PictureAhead::PictureAhead() : state_(std::make_shared<State>()) {}

PictureAhead::~PictureAhead() {
    std::lock_guard lock(state_->mutex);
    state_->ending = true;
    ++state_->generation;
    state_->queued.reset();
    state_->doneFor.reset();
    state_->done = {};
    state_->changed.notify_all();
}

void PictureAhead::setDecoder(PictureDecoder decode) {
    std::lock_guard lock(state_->mutex);
    state_->decode = std::move(decode);
}

void PictureAhead::start(PictureRequest request) {
    std::lock_guard lock(state_->mutex);
    ++state_->generation;
    state_->doneFor.reset();
    state_->done = {};  // one decoded picture ahead at most
    state_->queued = std::move(request);
    if (!state_->workerStarted) {
        state_->workerStarted = true;
        // Detached: nothing ever joins it, so the end never waits for a decode.
        std::thread(runWorker, state_).detach();
    }
    state_->changed.notify_all();
}

std::optional<LoadedPicture> PictureAhead::take(const PictureRequest& request) {
    std::unique_lock lock(state_->mutex);
    // The picture this tick needs is being decoded: that is sooner than starting it again.
    if (state_->running == request)
        state_->changed.wait(lock, [&] { return state_->running != request; });
    std::optional<LoadedPicture> out;
    if (state_->doneFor == request) out = std::move(state_->done);
    ++state_->generation;
    state_->doneFor.reset();
    state_->done = {};
    state_->queued.reset();
    lock.unlock();
    // A file rewritten or replaced during the delay is decoded again, as it is now.
    if (out && out->file != fileIdentity(request.path)) out.reset();
    return out;
}

void PictureAhead::cancel() {
    std::lock_guard lock(state_->mutex);
    ++state_->generation;
    state_->queued.reset();
    state_->doneFor.reset();
    state_->done = {};
}

void PictureAhead::waitUntilIdle() {
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [&] { return !state_->queued && !state_->running; });
}

void PictureAhead::runWorker(std::shared_ptr<State> state) {
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return state->ending || state->queued; });
        if (state->ending) return;
        state->running = std::move(state->queued);
        state->queued.reset();
        const PictureRequest request = *state->running;
        const std::uint64_t generation = state->generation;
        const PictureDecoder decode = state->decode;
        lock.unlock();
        // Read first: a change while the file is decoded shows as a change at the tick.
        const FileIdentity file = fileIdentity(request.path);
        LoadedPicture loaded = decode(request);
        loaded.file = file;
        lock.lock();
        // Kept only when nothing else was asked for meanwhile and the saver still runs; a
        // dropped picture is freed here at once.
        if (generation == state->generation && !state->ending) {
            state->done = std::move(loaded);
            state->doneFor = request;
        }
        state->running.reset();
        state->changed.notify_all();
    }
}

}  // namespace quillo
