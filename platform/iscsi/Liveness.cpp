#include "platform/iscsi/Liveness.h"

#include <chrono>

namespace oz {
namespace iscsi {

long long steadyNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Liveness::begin(long long now) {
    m_lastHeard = now;
    if (pingOut()) {
        m_pingSentAt = now;
    }
}

void Liveness::heard(long long now) {
    m_lastHeard = now;
}

void Liveness::pinged(long long now) {
    m_pingSentAt = now;
}

void Liveness::answered(long long now) {
    m_pingSentAt = -1;
    m_lastHeard = now;
}

bool Liveness::pingDue(long long now) const {
    return !pingOut() && now - m_lastHeard >= m_quietMs;
}

bool Liveness::silent(long long now) const {
    // Other traffic does not excuse an unanswered ping: a target may finish old commands
    // after its session has stopped serving new ones.
    return pingOut() && now - m_pingSentAt >= m_answerMs;
}

long long Liveness::untilNextCheck(long long now) const {
    const long long due = pingOut() ? m_pingSentAt + m_answerMs : m_lastHeard + m_quietMs;
    return due > now ? due - now : 0;
}

}  // namespace iscsi
}  // namespace oz
