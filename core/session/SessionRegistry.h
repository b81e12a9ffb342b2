#pragma once

#include "core/session/CRecSession.h"

#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

// The open sessions by number. Numbers are never reused while the registry lives.
class SessionRegistry {
public:
    static constexpr uint32_t kNumberMask = 0x1FFFFFFF;

    SessionRegistry() = default;
    SessionRegistry(const SessionRegistry&) = delete;
    SessionRegistry& operator=(const SessionRegistry&) = delete;

    // Takes the session, gives it the next number and returns it.
    CRecSession& Add(std::unique_ptr<CRecSession> session);
    CRecSession* Find(uint32_t number) const;
    CRecSession* FindByPath(const QString& path) const;
    // Deletes the session; false when the number is not open.
    bool Remove(uint32_t number);

    // In number order (the order of opening).
    std::vector<CRecSession*> Sessions() const;
    std::size_t Count() const { return sessions_.size(); }

private:
    std::map<uint32_t, std::unique_ptr<CRecSession>> sessions_;
    uint32_t next_ = 1;
};
