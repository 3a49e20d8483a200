#include "platform/speechengine.h"

namespace brenvik {

void SpeechEngine::queueStarted(const UtterancePtr& u, std::function<void()> then) {
    if (!u) return;
    QMetaObject::invokeMethod(
        this,
        [this, u, then = std::move(then)] {
            if (u->started) return;
            u->started = true;
            Q_EMIT started();
            if (then) then();
        },
        Qt::QueuedConnection);
}

void SpeechEngine::queueDone(const UtterancePtr& u) {
    if (!u) return;
    QMetaObject::invokeMethod(
        this,
        [this, u] {
            if (!u->started) {
                u->started = true;
                Q_EMIT started();
            }
            if (u->done) return;
            u->done = true;
            Q_EMIT done();
        },
        Qt::QueuedConnection);
}

} // namespace brenvik
