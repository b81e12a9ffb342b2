#include "core/app/HttpTransfer.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

// Connection 5 s, overall 30 s, stall 10 s; the request starts at 1000 ms of the clock.
constexpr HttpLimits kLimits{5000, 30000, 10000};
constexpr qint64 kStart = 1000;
constexpr qint64 kMaxBytes = 100;

class Transfer {
public:
    explicit Transfer(qint64 maxBytes = kMaxBytes)
        : transfer_(
              kLimits, maxBytes,
              [this](QByteArrayView chunk) {
                  if (!sinkWorks_)
                      return false;
                  kept_.append(chunk);
                  return true;
              },
              kStart) {}

    HttpTransfer* operator->() { return &transfer_; }
    const QByteArray& Kept() const { return kept_; }
    void BreakSink() { sinkWorks_ = false; }
    // The end at `ms` after the start, if any.
    std::optional<HttpEndType> EndAt(qint64 ms) {
        transfer_.Tick(kStart + ms);
        return transfer_.Ended() ? std::optional(transfer_.Reply().end) : std::nullopt;
    }

private:
    HttpTransfer transfer_;
    QByteArray kept_;
    bool sinkWorks_ = true;
};

TEST(HttpTransfer, TheConnectionLimitEndsARequestWhoseHeadersDoNotCome) {
    const struct {
        qint64 at;
        std::optional<HttpEndType> end;
    } cases[] = {{4999, std::nullopt},
                 {5000, HttpEndType::ConnectTimeout},
                 {5001, HttpEndType::ConnectTimeout}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.at);
        Transfer t;
        EXPECT_EQ(t->MsUntilLimit(kStart), 5000);
        EXPECT_EQ(t.EndAt(c.at), c.end);
    }
    Transfer late;
    late->Headers(200, -1, kStart + 5000);
    EXPECT_EQ(late->Reply().end, HttpEndType::ConnectTimeout);
    EXPECT_EQ(late->Reply().Describe(), u"aucune réponse du serveur en 5 s");
    Transfer inTime;
    inTime->Headers(200, -1, kStart + 4999);
    EXPECT_FALSE(inTime->Ended());
    EXPECT_EQ(inTime->MsUntilLimit(kStart + 4999), 10000);
}

TEST(HttpTransfer, TheStallLimitCountsFromTheLastByte) {
    const struct {
        qint64 at;
        std::optional<HttpEndType> end;
    } cases[] = {{2000 + 9999, std::nullopt},
                 {2000 + 10000, HttpEndType::Stalled},
                 {2000 + 10001, HttpEndType::Stalled}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.at);
        Transfer t;
        t->Headers(200, -1, kStart + 100);
        t->Body("a", kStart + 2000);
        EXPECT_EQ(t.EndAt(c.at), c.end);
    }
}

TEST(HttpTransfer, TheOverallLimitEndsATrickle) {
    const struct {
        qint64 at;
        std::optional<HttpEndType> end;
    } cases[] = {{29999, std::nullopt},
                 {30000, HttpEndType::OverallTimeout},
                 {30001, HttpEndType::OverallTimeout}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.at);
        Transfer t;
        t->Headers(200, -1, kStart);
        // A byte every 9 s never stalls.
        for (qint64 ms = 9000; ms < c.at; ms += 9000)
            t->Body("a", kStart + ms);
        EXPECT_EQ(t.EndAt(c.at), c.end);
    }
    Transfer t;
    t->Headers(200, -1, kStart);
    t->Body("a", kStart + 9000);
    t->Body("b", kStart + 18000);
    t->Body("c", kStart + 27000);
    t->Body("d", kStart + 29999);
    t->Body("e", kStart + 30000);
    EXPECT_EQ(t->Reply().end, HttpEndType::OverallTimeout);
    EXPECT_EQ(t.Kept(), "abcd");
    EXPECT_EQ(t->Reply().Describe(), u"transfert inachevé au bout de 30 s");
}

TEST(HttpTransfer, ARedirectGetsTheConnectionLimitAfreshOnlyToAnAddressTheCheckWouldContact) {
    Transfer t;
    EXPECT_TRUE(t->Redirect(QUrl(u"https://mirror.test/versions.txt"_qs), kStart + 4000));
    EXPECT_EQ(t.EndAt(8999), std::nullopt);
    EXPECT_EQ(t.EndAt(9000), HttpEndType::ConnectTimeout);

    Transfer away;
    EXPECT_FALSE(away->Redirect(QUrl(u"http://192.0.2.1/versions.txt"_qs), kStart + 10));
    EXPECT_EQ(away->Reply().end, HttpEndType::RedirectRefused);
    EXPECT_EQ(away->Reply().Describe(), u"redirection refusée vers http://192.0.2.1/versions.txt");
}

TEST(HttpTransfer, OnlyA2xxStatusIsAnAnswer) {
    for (const int status : {199, 200, 204, 299, 300, 404, 500}) {
        SCOPED_TRACE(status);
        Transfer t;
        t->Headers(status, 4, kStart);
        t->Body("body", kStart);
        t->Finish({}, kStart);
        const bool answer = status >= 200 && status <= 299;
        EXPECT_EQ(t->Reply().end, answer ? HttpEndType::Done : HttpEndType::HttpError);
        EXPECT_EQ(t->Reply().Whole(), answer);
        EXPECT_EQ(t.Kept(), answer ? "body" : "");
        EXPECT_EQ(t->Reply().status, status);
    }
    Transfer missing;
    missing->Headers(404, 9, kStart);
    EXPECT_EQ(missing->Reply().Describe(), u"réponse HTTP 404");
}

TEST(HttpTransfer, MoreBodyThanAllowedEndsTheRequest) {
    for (const qint64 announced : {99, 100, 101}) {
        SCOPED_TRACE(announced);
        Transfer t;
        t->Headers(200, announced, kStart);
        EXPECT_EQ(t->Ended(), announced > kMaxBytes);
    }
    for (const qsizetype size : {99, 100, 101}) {
        SCOPED_TRACE(size);
        Transfer t;
        t->Headers(200, -1, kStart);
        t->Body(QByteArray(50, 'a'), kStart);
        t->Body(QByteArray(size - 50, 'b'), kStart);
        t->Finish({}, kStart);
        EXPECT_EQ(t->Reply().end, size > kMaxBytes ? HttpEndType::TooLong : HttpEndType::Done);
        EXPECT_EQ(t->Reply().received, size > kMaxBytes ? 50 : size);
        EXPECT_EQ(t.Kept().size(), t->Reply().received);
    }
}

TEST(HttpTransfer, WholeMeansEndedCleanlyNotEmptyAndAsLongAsAnnounced) {
    const struct {
        qint64 announced;
        QByteArray body;
        QString networkError;
        bool whole;
        QString description;
    } cases[] = {
        {5, "12345", {}, true, {}},
        {-1, "12345", {}, true, {}},
        {6, "12345", {}, false, u"réponse tronquée : 5 octets reçus sur 6 annoncés"_qs},
        {0, "", {}, false, u"réponse vide"_qs},
        {-1, "123", u"Connection closed"_qs, false, u"Connection closed"_qs},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description.toStdString());
        Transfer t;
        t->Headers(200, c.announced, kStart);
        t->Body(c.body, kStart);
        t->Finish(c.networkError, kStart);
        EXPECT_EQ(t->Reply().Whole(), c.whole);
        EXPECT_EQ(t->Reply().Describe(), c.description);
    }
}

TEST(HttpTransfer, AnEndedTransferTakesNothingMore) {
    Transfer broken;
    broken.BreakSink();
    broken->Headers(200, -1, kStart);
    broken->Body("a", kStart);
    EXPECT_EQ(broken->Reply().end, HttpEndType::SinkFailed);
    EXPECT_EQ(broken->MsUntilLimit(kStart), 0);
    broken->Finish({}, kStart);
    EXPECT_EQ(broken->Reply().end, HttpEndType::SinkFailed);

    Transfer silent;
    silent->Finish({}, kStart + 10);
    EXPECT_EQ(silent->Reply().end, HttpEndType::NetworkError);
    EXPECT_EQ(silent->Reply().Describe(), u"le serveur n’a rien répondu");
}

TEST(HttpTransfer, ALimitNotInWholeSecondsIsSaidInMilliseconds) {
    HttpTransfer t(
        {300, 1000, 1000}, kMaxBytes, [](QByteArrayView) { return true; }, 0);
    t.Tick(300);
    EXPECT_EQ(t.Reply().Describe(), u"aucune réponse du serveur en 300 ms");
}

} // namespace
