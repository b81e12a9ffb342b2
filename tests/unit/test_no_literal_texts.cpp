// The interface texts live in resources/strings_fr.inc, so that a second interface language
// can replace them all. A French text written into the code would stay French there; this
// catches it by its accents and typographic marks, which plain code literals never need.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

// Non-ASCII literals that are not interface texts, each matched as written in the source.
const std::set<QString>& AllowedLiterals() {
    static const std::set<QString> allowed = {
        // The temperature unit choices show the symbols themselves.
        QStringLiteral("°C"), QStringLiteral("°F"),
        QStringLiteral(" — "), // between an overlaid session's name and its start time
        QStringLiteral("…"),   // the mark of a text cut to fit a printed column
    };
    return allowed;
}

const char* const kScannedFolders[] = {"gui", "core", "cli", "sim", "platform"};

struct Literal {
    int line;
    QString text; // as written between the quotes, escapes untouched
};

bool IsIdentifierChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

// The identifier or number that ends just before `at`.
QString WordBefore(const QString& source, qsizetype at) {
    qsizetype start = at;
    while (start > 0 && IsIdentifierChar(source[start - 1]))
        --start;
    return source.mid(start, at - start);
}

bool IsCharLiteralPrefix(const QString& word) {
    return word.isEmpty() || word == u"u" || word == u"U" || word == u"L" || word == u"u8";
}

bool IsRawStringPrefix(const QString& word) {
    return word == u"R" || word == u"uR" || word == u"UR" || word == u"LR" || word == u"u8R";
}

// Walks a C++ source for its string literals, past comments and character literals.
class LiteralScanner {
public:
    explicit LiteralScanner(const QString& source) : s_(source) {}

    std::vector<Literal> Scan() {
        while (i_ < s_.size()) {
            if (s_[i_] == u'\n') {
                ++line_;
                ++i_;
            } else if (At(u"//")) {
                SkipTo(u"\n", false);
            } else if (At(u"/*")) {
                SkipTo(u"*/", true);
            } else if (s_[i_] == u'"') {
                ReadString();
            } else if (s_[i_] == u'\'') {
                ReadQuote();
            } else {
                ++i_;
            }
        }
        return std::move(found_);
    }

private:
    bool At(QStringView text) const { return QStringView(s_).mid(i_).startsWith(text); }

    // Moves past `end` (or stays on it), counting the lines crossed.
    void SkipTo(QStringView end, bool pastEnd) {
        const qsizetype at = s_.indexOf(end, i_ + 1);
        const qsizetype stop = at < 0 ? s_.size() : at + (pastEnd ? end.size() : 0);
        line_ += static_cast<int>(QStringView(s_).mid(i_, stop - i_).count(u'\n'));
        i_ = stop;
    }

    void ReadString() {
        if (IsRawStringPrefix(WordBefore(s_, i_)))
            ReadRawString();
        else
            ReadEscaped(u'"', true);
    }

    void ReadRawString() {
        const qsizetype open = s_.indexOf(u'(', i_);
        const QString end = u')' + s_.mid(i_ + 1, open - i_ - 1) + u'"';
        const qsizetype close = s_.indexOf(end, open);
        const qsizetype stop = close < 0 ? s_.size() : close;
        found_.push_back({line_, s_.mid(open + 1, stop - open - 1)});
        line_ += static_cast<int>(QStringView(s_).mid(i_, stop - i_).count(u'\n'));
        i_ = close < 0 ? s_.size() : close + end.size();
    }

    // A quote after a number is a digit separator (1'000'000), not a character literal.
    void ReadQuote() {
        if (IsCharLiteralPrefix(WordBefore(s_, i_)))
            ReadEscaped(u'\'', false);
        else
            ++i_;
    }

    void ReadEscaped(QChar quote, bool keep) {
        const int startLine = line_;
        const qsizetype start = ++i_;
        while (i_ < s_.size() && s_[i_] != quote && s_[i_] != u'\n') {
            if (s_[i_] == u'\\' && i_ + 1 < s_.size()) {
                if (s_[i_ + 1] == u'\n')
                    ++line_;
                ++i_;
            }
            ++i_;
        }
        if (keep)
            found_.push_back({startLine, s_.mid(start, i_ - start)});
        if (i_ < s_.size() && s_[i_] == quote)
            ++i_;
    }

    const QString& s_;
    qsizetype i_ = 0;
    int line_ = 1;
    std::vector<Literal> found_;
};

std::vector<Literal> StringLiterals(const QString& source) {
    return LiteralScanner(source).Scan();
}

bool HasNonAscii(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0x7f; });
}

bool IsFlagged(const QString& text) {
    return HasNonAscii(text) && !AllowedLiterals().count(text);
}

QStringList LiteralTexts(const QString& source) {
    QStringList texts;
    for (const Literal& l : StringLiterals(source))
        texts << l.text;
    return texts;
}

TEST(LiteralScanner, FindsEachLiteralOnItsLine) {
    const std::vector<Literal> found =
        StringLiterals(QStringLiteral("a(\"one\");\nb(\"two\", \"three\");\n\n\"four\""));
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].line, 1);
    EXPECT_EQ(found[1].line, 2);
    EXPECT_EQ(found[2].text, QStringLiteral("three"));
    EXPECT_EQ(found[2].line, 2);
    EXPECT_EQ(found[3].line, 4);
}

TEST(LiteralScanner, SkipsCommentsButNotCommentMarksInStrings) {
    EXPECT_TRUE(LiteralTexts(QStringLiteral("// \"é\"\nx; /* \"é\"\n \"è\" */")).isEmpty());
    EXPECT_EQ(LiteralTexts(QStringLiteral("u(\"http://a\"); \"/*\"; \"b\"")),
              (QStringList{QStringLiteral("http://a"), QStringLiteral("/*"), QStringLiteral("b")}));
    // A block comment's lines still count.
    const std::vector<Literal> found = StringLiterals(QStringLiteral("/*\n\n*/ \"x\""));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].line, 3);
}

TEST(LiteralScanner, ReadsEscapesQuotesAndPrefixes) {
    EXPECT_EQ(LiteralTexts(QStringLiteral("\"a\\\"é\\\\\" \"b\"")),
              (QStringList{QStringLiteral("a\\\"é\\\\"), QStringLiteral("b")}));
    // A quote character and digit separators open no string.
    EXPECT_EQ(LiteralTexts(QStringLiteral("c == '\"' && n == 1'000'000 && u'\"' && \"z\"")),
              QStringList{QStringLiteral("z")});
    EXPECT_EQ(LiteralTexts(QStringLiteral("u8\"é\" u\"à\" L\"ç\" U\"’\"")),
              (QStringList{QStringLiteral("é"), QStringLiteral("à"), QStringLiteral("ç"),
                           QStringLiteral("’")}));
}

TEST(LiteralScanner, ReadsRawStringsWhole) {
    const std::vector<Literal> found =
        StringLiterals(QStringLiteral("R\"x(a \")\" é\n// b)x\" \"c\" uR\"(d)\""));
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].text, QStringLiteral("a \")\" é\n// b"));
    EXPECT_EQ(found[1].text, QStringLiteral("c"));
    EXPECT_EQ(found[1].line, 2);
    EXPECT_EQ(found[2].text, QStringLiteral("d"));
}

TEST(LiteralFlag, FlagsFromTheFirstCharacterPastAscii) {
    EXPECT_FALSE(IsFlagged(QStringLiteral("Annuler ~")));
    EXPECT_FALSE(IsFlagged(QString(QChar(0x7f))));
    EXPECT_TRUE(IsFlagged(QString(QChar(0x80))));
    for (const QString& text : {QStringLiteral("Début"), QStringLiteral("l’heure"),
                                QStringLiteral("« x »"), QStringLiteral("plus…")})
        EXPECT_TRUE(IsFlagged(text)) << qPrintable(text);
}

TEST(LiteralFlag, AllowsOnlyTheExactAllowedTexts) {
    EXPECT_FALSE(IsFlagged(QStringLiteral("°C")));
    EXPECT_FALSE(IsFlagged(QStringLiteral("…")));
    EXPECT_TRUE(IsFlagged(QStringLiteral("°C ")));
    EXPECT_TRUE(IsFlagged(QStringLiteral("20 °C")));
    EXPECT_TRUE(IsFlagged(QStringLiteral("……")));
}

TEST(NoLiteralTexts, TheSourcesReadTheirTextsFromTheTable) {
    const QString root = QStringLiteral(VEXLO_SOURCE_DIR);
    int files = 0;
    QStringList problems;
    for (const char* folder : kScannedFolders) {
        QDirIterator it(root + u'/' + QLatin1StringView(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(path);
            ++files;
            const QString source = QString::fromUtf8(file.readAll());
            for (const Literal& l : StringLiterals(source))
                if (IsFlagged(l.text))
                    problems << QStringLiteral("%1:%2: \"%3\"")
                                    .arg(path.mid(root.size() + 1), QString::number(l.line),
                                         l.text);
        }
    }
    // A wrong source folder would pass with nothing read.
    EXPECT_GT(files, 100);
    EXPECT_TRUE(problems.isEmpty())
        << "French texts written in the code; move them into resources/strings_fr.inc:\n"
        << qPrintable(problems.join(u'\n'));
}

} // namespace
