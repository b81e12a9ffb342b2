#pragma once

#include "core/app/HttpClient.h"
#include "core/app/HttpTransfer.h"

#include <QHash>
#include <QString>
#include <QUrl>
#include <memory>
#include <utility>
#include <vector>

// A web of fixed answers by address, on a clock of its own. Requests wait until the test
// answers them (AnswerAll) or lets time pass (AdvanceMs); their ends go through the same
// transfer rules as the real client's. Every request is recorded. An address it does not
// know fails as an unreachable server would; a silent one never answers.
class FakeHttpClient final : public HttpClient {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        // The length the server announces: -1 none, else usually the body's.
        qint64 announced = -1;
        bool transferError = false;
        bool silent = false;
    };
    struct Request {
        HttpGet get;
        bool cancelled = false; // its handle was destroyed before it ended
        bool ended = false;
    };

    void Serve(const QString& url, const QByteArray& body) {
        answers_.insert(url, {200, body, body.size(), false, false});
    }
    // The body arrives shorter than announced.
    void ServeCut(const QString& url, const QByteArray& body, qint64 announced) {
        answers_.insert(url, {200, body, announced, false, false});
    }
    // Part of the body, then a transfer error.
    void ServeBroken(const QString& url, const QByteArray& body) {
        answers_.insert(url, {200, body, -1, true, false});
    }
    void ServeStatus(const QString& url, int status, const QByteArray& body = {}) {
        answers_.insert(url, {status, body, body.size(), false, false});
    }
    // Accepts the request and never answers.
    void ServeSilence(const QString& url) { answers_.insert(url, {200, {}, -1, false, true}); }
    void Forget(const QString& url) { answers_.remove(url); }

    std::unique_ptr<HttpRequest> Start(const HttpGet& get, BodySink sink,
                                       Completion done) override {
        auto pending = std::make_shared<Pending>(
            Pending{HttpTransfer(get.limits, get.maxBytes, std::move(sink), nowMs_),
                    std::move(done), requests_.size(), false});
        requests_.push_back({get, false, false});
        pending_.push_back(pending);
        return std::make_unique<Handle>(*this, pending);
    }

    // Answers every waiting request from the table, and those that their ends start in turn,
    // until only silent ones wait.
    void AnswerAll() {
        while (const std::shared_ptr<Pending> next = NextUnanswered()) {
            next->answered = true;
            const auto it = answers_.constFind(requests_[next->index].get.url.toString());
            if (it == answers_.cend()) {
                next->transfer.Finish(QStringLiteral("connexion refusée"), nowMs_);
            } else if (!it->silent) {
                next->transfer.Headers(it->status, it->announced, nowMs_);
                next->transfer.Body(it->body, nowMs_);
                next->transfer.Finish(
                    it->transferError ? QStringLiteral("transfert interrompu") : QString(), nowMs_);
            }
            Deliver(next);
        }
    }

    // Time passes for every waiting request; those whose limit ran out end.
    void AdvanceMs(qint64 ms) {
        nowMs_ += ms;
        const std::vector<std::shared_ptr<Pending>> waiting = pending_;
        for (const std::shared_ptr<Pending>& p : waiting) {
            p->transfer.Tick(nowMs_);
            Deliver(p);
        }
    }

    const std::vector<Request>& Requests() const { return requests_; }
    std::size_t Waiting() const { return pending_.size(); }

private:
    struct Pending {
        HttpTransfer transfer;
        Completion done;
        std::size_t index;
        bool answered;
    };

    class Handle final : public HttpRequest {
    public:
        Handle(FakeHttpClient& client, std::shared_ptr<Pending> pending)
            : client_(client), pending_(std::move(pending)) {}
        ~Handle() override { client_.Cancel(pending_); }

    private:
        FakeHttpClient& client_;
        std::shared_ptr<Pending> pending_;
    };

    std::shared_ptr<Pending> NextUnanswered() const {
        for (const std::shared_ptr<Pending>& p : pending_)
            if (!p->answered)
                return p;
        return nullptr;
    }

    void Remove(const std::shared_ptr<Pending>& p) { std::erase(pending_, p); }

    void Cancel(const std::shared_ptr<Pending>& p) {
        if (!p->done)
            return;
        p->done = {};
        requests_[p->index].cancelled = true;
        Remove(p);
    }

    // As the real client: once, with nothing of the client's on the stack that the end
    // could destroy.
    void Deliver(const std::shared_ptr<Pending>& p) {
        if (!p->transfer.Ended() || !p->done)
            return;
        requests_[p->index].ended = true;
        Remove(p);
        std::exchange(p->done, {})(p->transfer.Reply());
    }

    QHash<QString, Answer> answers_;
    std::vector<Request> requests_;
    std::vector<std::shared_ptr<Pending>> pending_;
    qint64 nowMs_ = 0;
};
