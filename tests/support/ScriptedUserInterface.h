#pragma once

#include "core/app/UserInterface.h"

#include <QString>
#include <deque>
#include <vector>

// Answers from queues filled by the test, and a record of everything the core showed or asked.
// An empty queue answers like a user who gives up (Cancel, empty path).
class ScriptedUserInterface final : public UserInterface {
public:
    enum class KindType {
        Message,
        YesNoCancel,
        OkCancel,
        SavePath,
        FileExists,
        Job,
        OpenExternally
    };
    struct Event {
        KindType kind;
        QString text;
        MessageIconType icon = MessageIconType::Information;
    };

    ScriptedUserInterface& Answer(AnswerType a) {
        answers_.push_back(a);
        return *this;
    }
    ScriptedUserInterface& AnswerOk(bool ok) {
        oks_.push_back(ok);
        return *this;
    }
    ScriptedUserInterface& SavePath(const QString& p) {
        paths_.push_back(p);
        return *this;
    }
    ScriptedUserInterface& FileExists(FileExistsChoiceType c) {
        choices_.push_back(c);
        return *this;
    }
    // The next job is cancelled after this many steps (as if "Annuler" were pressed).
    ScriptedUserInterface& CancelJobAfter(int steps) {
        cancelAfter_.push_back(steps);
        return *this;
    }
    // Whether the desktop manages to open the next file or folder it is handed.
    ScriptedUserInterface& OpenSucceeds(bool ok) {
        opens_.push_back(ok);
        return *this;
    }

    void ShowMessage(const QString& text, MessageIconType icon) override {
        events_.push_back({KindType::Message, text, icon});
    }
    AnswerType AskYesNoCancel(const QString& text) override {
        events_.push_back({KindType::YesNoCancel, text});
        return Take(answers_, AnswerType::Cancel);
    }
    bool AskOkCancel(const QString& text) override {
        events_.push_back({KindType::OkCancel, text});
        return Take(oks_, false);
    }
    QString AskSavePath(const SavePathRequest& request) override {
        events_.push_back({KindType::SavePath, request.proposal});
        lastRequest_ = request;
        return Take(paths_, QString());
    }
    FileExistsChoiceType AskFileExists(const QString& text) override {
        events_.push_back({KindType::FileExists, text});
        return Take(choices_, FileExistsChoiceType::Cancel);
    }
    JobEndType RunModalJob(StepJob& job, const QString& title) override {
        events_.push_back({KindType::Job, title});
        const int cancelAfter = Take(cancelAfter_, -1);
        for (int steps = 0;; ++steps) {
            if (steps == cancelAfter)
                return JobEndType::Cancelled;
            const StepProgress p = job.Step();
            progress_.push_back(p.percent);
            if (p.state == JobStateType::Done)
                return JobEndType::Done;
            if (p.state == JobStateType::Failed)
                return JobEndType::Failed;
        }
    }

    bool OpenExternally(const QString& path) override {
        events_.push_back({KindType::OpenExternally, path});
        return Take(opens_, false);
    }

    const std::vector<Event>& Events() const { return events_; }
    std::vector<Event> EventsOf(KindType kind) const {
        std::vector<Event> out;
        for (const Event& e : events_)
            if (e.kind == kind)
                out.push_back(e);
        return out;
    }
    std::vector<Event> Messages() const { return EventsOf(KindType::Message); }
    const SavePathRequest& LastSaveRequest() const { return lastRequest_; }
    const std::vector<int>& JobProgress() const { return progress_; }
    void Forget() {
        events_.clear();
        progress_.clear();
    }

private:
    template <typename T> static T Take(std::deque<T>& queue, T fallback) {
        if (queue.empty())
            return fallback;
        T v = std::move(queue.front());
        queue.pop_front();
        return v;
    }

    std::deque<AnswerType> answers_;
    std::deque<bool> oks_;
    std::deque<QString> paths_;
    std::deque<FileExistsChoiceType> choices_;
    std::deque<int> cancelAfter_;
    std::deque<bool> opens_;
    std::vector<Event> events_;
    std::vector<int> progress_;
    SavePathRequest lastRequest_;
};
