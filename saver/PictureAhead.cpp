#include "PictureAhead.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>

#include "Errors.h"
#include "LayoutGeometry.h"
#include "Scale.h"
#include "Shrink.h"

namespace quillo {

Picture shrinkToFit(Picture picture, Size box, const DecodeStop* stop) {
    const Size fit = fitSize(box, picture.width(), picture.height());
    if (fit.width == picture.width() && fit.height == picture.height()) return picture;
    Picture shrunk(shrinkBitmap(picture.bitmap(), fit.width, fit.height, stop));
    shrunk.setTakenAt(picture.takenAt());
    return shrunk;
}

Rect shownPart(Size screen, Size drawn) {
    const Point at = centerImage(screen, drawn.width, drawn.height);
    const Rect placed = Rect::fromSize(at.x, at.y, drawn.width, drawn.height);
    return placed.intersected(Rect::fromSize(0, 0, screen.width, screen.height));
}

namespace {

// The part `part` of `source`, at its own size.
Picture cutOut(const Bitmap& source, const Rect& part) {
    if (part.empty()) return Picture();
    Bitmap out = Bitmap::uninitialized(part.width(), part.height());
    drawAt(out, -part.left, -part.top, source, out.rect());
    return Picture(std::move(out));
}

}  // namespace

void shapePicture(LoadedPicture& loaded, const PictureShape& shape) {
    const Picture& picture = loaded.picture;
    loaded.natural = {picture.width(), picture.height()};
    if (shape.keep == PictureShape::Keep::Whole || picture.empty()) return;
    const Bitmap& full = picture.bitmap();
    const Size natural = loaded.natural;
    Picture kept;
    switch (shape.keep) {
        case PictureShape::Keep::Stretched: {
            if (shape.size.width <= 0 || shape.size.height <= 0) return;
            // Already of the size it is drawn at, and wholly on the screen.
            if (natural == shape.size &&
                shownPart(shape.screen, natural).width() == natural.width &&
                shownPart(shape.screen, natural).height() == natural.height)
                return;
            const Rect part = shownPart(shape.screen, shape.size);
            if (part.empty()) {
                kept = Picture();
                break;
            }
            // The stretch of the whole picture, of which only the part on the screen is drawn.
            Bitmap out = Bitmap::uninitialized(part.width(), part.height());
            const Point at = centerImage(shape.screen, shape.size.width, shape.size.height);
            stretchCopy(out,
                        Rect::fromSize(at.x - part.left, at.y - part.top, shape.size.width,
                                       shape.size.height),
                        full, full.rect());
            kept = Picture(std::move(out));
            break;
        }
        case PictureShape::Keep::Centred: {
            const Rect part = shownPart(shape.screen, natural);
            const Point at = centerImage(shape.screen, natural.width, natural.height);
            if (natural.width <= shape.corner.width && natural.height <= shape.corner.height)
                loaded.corner = picture;  // the whole picture shows behind: shared, not copied
            else if (shape.corner.width > 0 && shape.corner.height > 0)
                loaded.corner =
                    cutOut(full, Rect::fromSize(0, 0, std::min(natural.width, shape.corner.width),
                                                std::min(natural.height, shape.corner.height)));
            // Nothing to cut when it lies wholly on the screen.
            if (part.width() == natural.width && part.height() == natural.height) return;
            kept = cutOut(full, Rect::fromSize(part.left - at.x, part.top - at.y, part.width(),
                                               part.height()));
            break;
        }
        case PictureShape::Keep::TopLeft: {
            if (natural.width <= shape.size.width && natural.height <= shape.size.height) return;
            kept = cutOut(full, Rect::fromSize(0, 0, std::min(natural.width, shape.size.width),
                                               std::min(natural.height, shape.size.height)));
            break;
        }
        case PictureShape::Keep::Covering: {
            if (shape.size.width <= 0 || shape.size.height <= 0) return;
            const double cover = std::max(double(shape.size.width) / natural.width,
                                          double(shape.size.height) / natural.height);
            if (cover >= 1) return;
            kept = Picture(shrinkBitmap(full, std::max(1, int(std::ceil(natural.width * cover))),
                                        std::max(1, int(std::ceil(natural.height * cover)))));
            break;
        }
        case PictureShape::Keep::Whole:
            return;
    }
    kept.setTakenAt(picture.takenAt());
    loaded.picture = std::move(kept);
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
        // The decoded photo goes here, once what is drawn of it is kept.
        shapePicture(out, request.shape);
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
    enum class Phase { Waiting, Running, Done };
    struct Job {
        PictureRequest request;
        Phase phase = Phase::Waiting;
        LoadedPicture done;
        std::uint64_t id = 0;
    };
    std::mutex mutex;
    PictureDecoder decode = loadRequestedPicture;
    std::condition_variable changed;
    // In the order they are taken.
    std::vector<Job> jobs;
    std::uint64_t nextId = 0;
    // Raised when the decode under way is no longer wanted; lowered as the next one starts.
    StopFlag stop;
    bool ending = false;
    bool workerEnded = false;
    bool taking = false;    // a take() waits for the decode under way
    bool decoding = false;  // the worker is inside a decode, wanted or not

    // The job the worker decodes next: none while the decoded ones hold kHeldPixels.
    Job* next() {
        std::uint64_t held = 0;
        for (const Job& job : jobs)
            if (job.phase == Phase::Done)
                held += std::uint64_t(job.done.picture.width()) * job.done.picture.height() +
                        std::uint64_t(job.done.corner.width()) * job.done.corner.height();
        if (held >= kHeldPixels) return nullptr;
        const auto it = std::find_if(jobs.begin(), jobs.end(),
                                     [](const Job& job) { return job.phase == Phase::Waiting; });
        return it != jobs.end() ? &*it : nullptr;
    }
    Job* find(std::uint64_t id) {
        const auto it =
            std::find_if(jobs.begin(), jobs.end(), [&](const Job& job) { return job.id == id; });
        return it != jobs.end() ? &*it : nullptr;
    }
};

PictureAhead::PictureAhead() : state_(std::make_shared<State>()) {}

PictureAhead::~PictureAhead() {
    end();
}

void PictureAhead::drop(State& state, std::size_t count) {
    count = std::min(count, state.jobs.size());
    for (std::size_t i = 0; i < count; ++i)
        if (state.jobs[i].phase == State::Phase::Running) state.stop.raise();
    // What was decoded for them is freed at once.
    state.jobs.erase(state.jobs.begin(), state.jobs.begin() + std::ptrdiff_t(count));
    state.changed.notify_all();
}

void PictureAhead::setDecoder(PictureDecoder decode) {
    std::lock_guard lock(state_->mutex);
    state_->decode = std::move(decode);
}

void PictureAhead::start(std::vector<PictureRequest> requests) {
    std::lock_guard lock(state_->mutex);
    if (state_->ending) return;
    // A picture asked for again keeps what was decoded for it, or its decode under way.
    std::vector<State::Job> old = std::move(state_->jobs);
    std::vector<bool> kept(old.size(), false);
    state_->jobs.clear();
    for (PictureRequest& request : requests) {
        std::size_t i = 0;
        while (i < old.size() && (kept[i] || old[i].request != request)) ++i;
        if (i < old.size()) {
            kept[i] = true;
            state_->jobs.push_back(std::move(old[i]));
        } else {
            state_->jobs.push_back(
                {std::move(request), State::Phase::Waiting, {}, state_->nextId++});
        }
    }
    for (std::size_t i = 0; i < old.size(); ++i)
        if (!kept[i] && old[i].phase == State::Phase::Running) state_->stop.raise();
    old.clear();
    if (!worker_.joinable()) worker_ = std::thread(runWorker, state_);
    state_->changed.notify_all();
}

std::optional<LoadedPicture> PictureAhead::take(const PictureRequest& request) {
    std::unique_lock lock(state_->mutex);
    State& state = *state_;
    const auto it = std::find_if(state.jobs.begin(), state.jobs.end(),
                                 [&](const State::Job& job) { return job.request == request; });
    if (it == state.jobs.end()) {
        // Asked otherwise than foreseen: the picture foreseen for this taker is not wanted.
        drop(state, 1);
        return std::nullopt;
    }
    drop(state, std::size_t(it - state.jobs.begin()));
    const std::uint64_t id = state.jobs.front().id;
    // The picture this tick needs is being decoded: that is sooner than starting it again.
    if (state.jobs.front().phase == State::Phase::Running) {
        state.taking = true;
        state.changed.notify_all();
        state.changed.wait(lock, [&] {
            const State::Job* job = state.find(id);
            return !job || job->phase != State::Phase::Running;
        });
        state.taking = false;
    }
    std::optional<LoadedPicture> out;
    if (State::Job* job = state.find(id)) {
        if (job->phase == State::Phase::Done) out = std::move(job->done);
        drop(state, 1);
    }
    lock.unlock();
    // A file rewritten or replaced during the delay is decoded again, as it is now.
    if (out && out->file != fileIdentity(request.path)) out.reset();
    return out;
}

void PictureAhead::cancel() {
    std::lock_guard lock(state_->mutex);
    drop(*state_, state_->jobs.size());
}

void PictureAhead::end(std::chrono::milliseconds wait) {
    std::unique_lock lock(state_->mutex);
    if (!state_->ending) {
        state_->ending = true;
        drop(*state_, state_->jobs.size());
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
    state_->changed.wait(lock, [&] { return !state_->decoding && !state_->next(); });
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
        state->changed.wait(lock, [&] { return state->ending || state->next(); });
        if (state->ending) break;
        State::Job& job = *state->next();
        job.phase = State::Phase::Running;
        const std::uint64_t id = job.id;
        state->stop.lower();
        PictureRequest request = job.request;
        request.options.stop.by = &state->stop;
        const PictureDecoder decode = state->decode;
        state->decoding = true;
        lock.unlock();
        // Read first: a change while the file is decoded shows as a change at the tick.
        const FileIdentity file = fileIdentity(request.path);
        LoadedPicture loaded = decode(request);
        loaded.file = file;
        lock.lock();
        // Kept only while its request is still wanted and the saver still runs; a dropped or
        // stopped picture is freed here at once.
        if (State::Job* mine = state->find(id)) {
            if (!state->ending && !loaded.stopped) {
                mine->done = std::move(loaded);
                mine->phase = State::Phase::Done;
            } else {
                state->jobs.erase(state->jobs.begin() + (mine - state->jobs.data()));
            }
        }
        loaded = {};
        state->decoding = false;
        state->changed.notify_all();
    }
    state->workerEnded = true;
    state->changed.notify_all();
}

}  // namespace quillo
