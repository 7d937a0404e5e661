#include "PictureAhead.h"

#include <condition_variable>
#include <mutex>

#include "Errors.h"
#include "LayoutGeometry.h"
#include "Shrink.h"

namespace quillo {

Picture shrinkToFit(Picture picture, Size box, const DecodeStop* stop) {
    const Size fit = fitSize(box, picture.width(), picture.height());
    if (fit.width == picture.width() && fit.height == picture.height()) return picture;
    Picture shrunk(shrinkBitmap(picture.bitmap(), fit.width, fit.height, stop));
    shrunk.setTakenAt(picture.takenAt());
    return shrunk;
}

LoadedPicture loadRequestedPicture(const PictureRequest& request) {
    LoadedPicture out;
    try {
        out.picture.loadFromFile(request.path, request.options);
    } catch (const DecodeStopped&) {
        out.stopped = true;
        return out;
    } catch (...) {
        out.loadFailed = true;
        return out;
    }
    try {
        out.picture.bitmap();
        if (request.fitBox.width > 0 && request.fitBox.height > 0)
            out.picture =
                shrinkToFit(std::move(out.picture), request.fitBox, request.options.stop.by);
    } catch (const DecodeStopped&) {
        out = {};
        out.stopped = true;
    } catch (...) {
        out.decodeFailed = true;
    }
    return out;
}

// Shared by the saver and the worker, so that a worker left behind at the end still has it.
struct PictureAhead::State {
    std::mutex mutex;
    PictureDecoder decode = loadRequestedPicture;
    std::condition_variable changed;
    std::optional<PictureRequest> queued;   // asked for, not started
    std::optional<PictureRequest> running;  // being decoded now
    std::optional<PictureRequest> doneFor;  // what `done` was decoded for
    LoadedPicture done;
    // Raised when the decode under way is no longer wanted; lowered as the next one starts.
    StopFlag stop;
    // Counts every change of mind: a decode started under another count is not kept.
    std::uint64_t generation = 0;
    bool ending = false;
    bool workerEnded = false;
    bool taking = false;  // a take() waits for the decode under way
};

PictureAhead::PictureAhead() : state_(std::make_shared<State>()) {}

PictureAhead::~PictureAhead() {
    end();
}

void PictureAhead::changeMind(State& state, const PictureRequest* keep) {
    state.queued.reset();
    state.doneFor.reset();
    state.done = {};  // one decoded picture ahead at most, freed at once
    if (state.running && keep && *state.running == *keep) return;
    ++state.generation;
    if (state.running) state.stop.raise();
}

void PictureAhead::setDecoder(PictureDecoder decode) {
    std::lock_guard lock(state_->mutex);
    state_->decode = std::move(decode);
}

void PictureAhead::start(PictureRequest request) {
    std::lock_guard lock(state_->mutex);
    if (state_->ending) return;
    changeMind(*state_, &request);
    // The very picture being decoded goes on; anything else waits its turn.
    if (state_->running != request) state_->queued = std::move(request);
    if (!worker_.joinable()) worker_ = std::thread(runWorker, state_);
    state_->changed.notify_all();
}

std::optional<LoadedPicture> PictureAhead::take(const PictureRequest& request) {
    std::unique_lock lock(state_->mutex);
    // The picture this tick needs is being decoded: that is sooner than starting it again.
    if (state_->running == request) {
        state_->taking = true;
        state_->changed.notify_all();
        state_->changed.wait(lock, [&] { return state_->running != request; });
        state_->taking = false;
    }
    std::optional<LoadedPicture> out;
    if (state_->doneFor == request) out = std::move(state_->done);
    changeMind(*state_);
    lock.unlock();
    // A file rewritten or replaced during the delay is decoded again, as it is now.
    if (out && out->file != fileIdentity(request.path)) out.reset();
    return out;
}

void PictureAhead::cancel() {
    std::lock_guard lock(state_->mutex);
    changeMind(*state_);
}

void PictureAhead::end(std::chrono::milliseconds wait) {
    std::unique_lock lock(state_->mutex);
    if (!state_->ending) {
        state_->ending = true;
        changeMind(*state_);
        state_->changed.notify_all();
    }
    if (!worker_.joinable()) return;
    const bool ended = state_->changed.wait_for(lock, wait, [&] { return state_->workerEnded; });
    lock.unlock();
    // Ended: all that is left of it is its return. Not ended: it holds the state and finishes
    // alone.
    if (ended)
        worker_.join();
    else
        worker_.detach();
}

void PictureAhead::waitUntilIdle() {
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [&] { return !state_->queued && !state_->running; });
}

void PictureAhead::waitUntilTaking() {
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [&] { return state_->taking; });
}

bool PictureAhead::workerEnded() {
    std::lock_guard lock(state_->mutex);
    return state_->workerEnded;
}

void PictureAhead::runWorker(std::shared_ptr<State> state) {
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return state->ending || state->queued; });
        if (state->ending) break;
        state->running = std::move(state->queued);
        state->queued.reset();
        state->stop.lower();
        PictureRequest request = *state->running;
        request.options.stop.by = &state->stop;
        const std::uint64_t generation = state->generation;
        const PictureDecoder decode = state->decode;
        lock.unlock();
        // Read first: a change while the file is decoded shows as a change at the tick.
        const FileIdentity file = fileIdentity(request.path);
        LoadedPicture loaded = decode(request);
        loaded.file = file;
        lock.lock();
        // Kept only when nothing else was asked for meanwhile and the saver still runs; a
        // dropped or stopped picture is freed here at once.
        if (generation == state->generation && !state->ending && !loaded.stopped) {
            state->done = std::move(loaded);
            state->doneFor = std::move(request);
        }
        state->running.reset();
        state->changed.notify_all();
    }
    state->workerEnded = true;
    state->changed.notify_all();
}

}  // namespace quillo
