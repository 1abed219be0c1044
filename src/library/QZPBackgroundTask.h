// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QtConcurrent>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// The one way ToneBench runs long work for a window: the work runs on a worker thread of the process's
// pool and is told through its Context whether to stop and where to say how far it is; progress, partial
// results and the end arrive on the main thread, where the handlers run. Cancel asks the work to stop: it
// stops at its next look, and its result (what it did until then) still arrives, marked cancelled. A new
// start, or the task's end, first stops and waits for the run before; nothing of that run arrives after.
template <typename Result> class QZPBackgroundTask {
public:
    struct Handlers {
        // How far the work is: `done` of `total`.
        std::function<void(qsizetype done, qsizetype total)> progress;
        // A part of the result, handed over while the work goes on.
        std::function<void(const Result& part)> partial;
        // The end: the work's result (none when it gives only parts), and whether it was cancelled.
        std::function<void(std::optional<Result> result, bool cancelled)> finished;
    };

    // What the work sees.
    class Context {
    public:
        bool isCancelled() const { return m_shared->cancelled.load(std::memory_order_relaxed); }
        void progress(qsizetype done, qsizetype total) {
            if (m_promise.future().progressMaximum() != int(total))
                m_promise.setProgressRange(0, int(total));
            m_promise.setProgressValue(int(done));
        }
        void partial(Result part) { m_promise.addResult(std::move(part)); }

    private:
        friend class QZPBackgroundTask;
        struct Shared;
        Context(QPromise<Result>& promise, const std::shared_ptr<Shared>& shared)
            : m_promise(promise), m_shared(shared) {}
        QPromise<Result>& m_promise;
        std::shared_ptr<Shared> m_shared;
    };
    using Work = std::function<std::optional<Result>(Context& context)>;

    explicit QZPBackgroundTask(Handlers handlers) : m_handlers(std::move(handlers)) {
        QObject::connect(&m_watcher, &QFutureWatcher<Result>::progressValueChanged, &m_watcher,
                         [this](int done) {
                             // Before the work has said its total there is nothing to tell.
                             if (m_handlers.progress && m_watcher.progressMaximum() > 0)
                                 m_handlers.progress(done, m_watcher.progressMaximum());
                         });
        QObject::connect(&m_watcher, &QFutureWatcher<Result>::resultReadyAt, &m_watcher, [this](int index) {
            if (m_handlers.partial)
                m_handlers.partial(m_watcher.resultAt(index));
        });
        QObject::connect(&m_watcher, &QFutureWatcher<Result>::finished, &m_watcher, [this] {
            const std::shared_ptr<typename Context::Shared> shared = m_shared;
            if (m_handlers.finished && shared)
                m_handlers.finished(std::move(shared->result), shared->cancelled.load());
        });
    }
    ~QZPBackgroundTask() { stop(); }
    QZPBackgroundTask(const QZPBackgroundTask&) = delete;
    QZPBackgroundTask& operator=(const QZPBackgroundTask&) = delete;

    void start(Work work) {
        stop();
        auto shared = std::make_shared<typename Context::Shared>();
        m_shared = shared;
        m_watcher.setFuture(QtConcurrent::run([shared, work = std::move(work)](QPromise<Result>& promise) {
            Context context(promise, shared);
            shared->result = work(context);
        }));
    }
    void cancel() {
        if (m_shared)
            m_shared->cancelled.store(true, std::memory_order_relaxed);
    }
    // Cancels the run and waits for it; nothing of it arrives afterwards.
    void stop() {
        cancel();
        m_watcher.waitForFinished();
        m_watcher.setFuture(QFuture<Result>());
        m_shared.reset();
    }
    bool isRunning() const { return m_watcher.isRunning(); }

private:
    Handlers m_handlers;
    QFutureWatcher<Result> m_watcher;
    std::shared_ptr<typename Context::Shared> m_shared;
};

template <typename Result> struct QZPBackgroundTask<Result>::Context::Shared {
    std::atomic<bool> cancelled{false};
    // Written by the work before it ends, read on the main thread once it has.
    std::optional<Result> result;
};
