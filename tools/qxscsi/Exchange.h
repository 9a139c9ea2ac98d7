// One command sent the tool's way: through the pass-through object's SendSCSICmd, with the
// device's answer (status, sense, reply bytes) turned into the tool's exit status and a reason,
// and the raw reply kept in the report.
#ifndef QXSCSI_TOOLS_EXCHANGE_H
#define QXSCSI_TOOLS_EXCHANGE_H

#include <initializer_list>
#include <string>
#include <vector>

class QXNTSpti;

namespace qxtool {

class Progress;
class Report;

struct Answer {
    int status = 0;  // the exit status: 0 when the device carried the command out
    std::string reason;
    int scsiStatus = -1;  // -1 when the command could not be sent
    unsigned char senseKey = 0, asc = 0, ascq = 0;
    // The reply, as long as the reply's own length field says (never longer than asked for).
    std::vector<unsigned char> data;

    bool good() const { return status == 0; }
};

class Exchange {
  public:
    // progress, when not null, learns of the long operations (sendLong).
    Exchange(QXNTSpti& spti, Report& report, Progress* progress = nullptr)
        : m_spti(spti), m_report(report), m_progress(progress) {}

    // Sends cdb, reading up to dataLength bytes (0: no data). what names the command in the
    // reason ("READ POSITION").
    Answer send(const std::string& what, std::vector<unsigned char> cdb, int dataLength);
    // The same for a command that may take minutes or hours (SPACE, ERASE): its elapsed time is
    // shown while the tool waits.
    Answer sendLong(const std::string& what, std::vector<unsigned char> cdb, int dataLength);

    QXNTSpti& spti() { return m_spti; }
    Report& report() { return m_report; }

  private:
    QXNTSpti& m_spti;
    Report& m_report;
    Progress* m_progress;
};

// How many bytes of a reply to the command whose operation code is opcode hold data, from the
// reply's own length field where its layout has one; never more than the bytes read.
std::size_t replyLength(unsigned char opcode, const std::vector<unsigned char>& cdb,
                        const std::vector<unsigned char>& data);

}  // namespace qxtool

#endif
