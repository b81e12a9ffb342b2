#include "core/session/SessionRegistry.h"

CRecSession& SessionRegistry::Add(std::unique_ptr<CRecSession> session) {
    uint32_t number = next_++ & kNumberMask;
    // Past 2^29 sessions the mask wraps; a number still open is skipped, never shared.
    while (number == 0 || sessions_.count(number))
        number = next_++ & kNumberMask;
    session->SetNumber(number);
    CRecSession& added = *session;
    sessions_.emplace(number, std::move(session));
    return added;
}

CRecSession* SessionRegistry::Find(uint32_t number) const {
    const auto it = sessions_.find(number);
    return it == sessions_.end() ? nullptr : it->second.get();
}

CRecSession* SessionRegistry::FindByPath(const QString& path) const {
    for (const auto& [number, session] : sessions_)
        if (session->Path().compare(path, Qt::CaseInsensitive) == 0)
            return session.get();
    return nullptr;
}

bool SessionRegistry::Remove(uint32_t number) {
    return sessions_.erase(number) > 0;
}

std::vector<CRecSession*> SessionRegistry::Sessions() const {
    std::vector<CRecSession*> out;
    out.reserve(sessions_.size());
    for (const auto& [number, session] : sessions_)
        out.push_back(session.get());
    return out;
}
