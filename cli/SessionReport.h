#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

class CRecSession;
struct RangeStatisticsValues;

// What vexlo-cli prints about one session: readable tables, or one JSON object.
class SessionReport {
public:
    SessionReport(const CRecSession& session, std::FILE* out, bool json)
        : session_(session), out_(out), json_(json) {}

    void Info() const;
    void Values() const;
    // first < 0 and last < 0: the whole record. Time out of the limits when any is given, and
    // the mean kinetic temperature of a temperature session.
    // With the limit figures and the mean kinetic temperature the session's figures give.
    void Statistics(int first, int last) const;
    void Events() const;
    // The parameters list as the session views show it.
    void Params() const;

private:
    // The figures as numbers with their unit and status words, for scripts.
    void AddFigureNumbers(const RangeStatisticsValues& v,
                          std::vector<std::pair<const char*, std::string>>& fields) const;

    const CRecSession& session_;
    std::FILE* out_;
    bool json_;
};
