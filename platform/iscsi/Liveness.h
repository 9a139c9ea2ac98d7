// How a session tells a target that works slowly from one that has gone silent.
//
// A command may take its time (an erase runs for hours, and the default limit is 1800 s), so
// the command's own limit cannot tell a busy target from a stopped one; nor can TCP, whose
// keepalive is answered by the kernel of a target whose process has stopped. So while a command
// waits, a session that has heard nothing from the target for kQuietMs sends a NOP-Out ping;
// the target must answer it within kPingAnswerMs, however long the command itself runs, or the
// session gives the target up. A target that is gone is thus noticed within
// kQuietMs + kPingAnswerMs of its last word. Logins and logouts carry no pings (a NOP-Out
// is only allowed in the full-feature phase); they have short limits of their own.
#ifndef QX_PLATFORM_ISCSI_LIVENESS_H
#define QX_PLATFORM_ISCSI_LIVENESS_H

namespace oz {
namespace iscsi {

constexpr long long kQuietMs = 3000;
constexpr long long kPingAnswerMs = 5000;

// Milliseconds of the steady clock.
long long steadyNowMs();

// The ping state of one session; every time is in steady milliseconds.
class Liveness {
  public:
    explicit Liveness(long long quietMs = kQuietMs, long long answerMs = kPingAnswerMs)
        : m_quietMs(quietMs), m_answerMs(answerMs) {}

    // A wait for the target begins. Nobody listened between waits, so the quiet time and a
    // ping still out count from now.
    void begin(long long now);
    // The target sent something.
    void heard(long long now);
    // A ping went out; and its answer came.
    void pinged(long long now);
    void answered(long long now);

    bool pingOut() const { return m_pingSentAt >= 0; }
    // True when a ping should go out now: none is out and the target has been quiet long enough.
    bool pingDue(long long now) const;
    // True when the ping that is out has gone unanswered too long: the target is gone.
    bool silent(long long now) const;
    // Milliseconds from now until pingDue or silent may turn true; the longest a poll may wait.
    long long untilNextCheck(long long now) const;
    long long answerMs() const { return m_answerMs; }

  private:
    long long m_quietMs;
    long long m_answerMs;
    long long m_lastHeard = 0;
    long long m_pingSentAt = -1;
};

}  // namespace iscsi
}  // namespace oz

#endif
