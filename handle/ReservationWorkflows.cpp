// Forced reserve, forced clear and release: sequences of the reservation operations with a
// decision and a log message between the steps. The operations record the error state; the
// workflows pass the failing operation's code on.
#include <algorithm>
#include <string>
#include <vector>

#include "handle/HandleCodes.h"
#include "handle/HolderProbe.h"
#include "qxscsi/QXScsiHardDisk.h"
#include "reservation/KeyDisplay.h"

namespace {

using qx::handle::kLogOutcome;
using qx::handle::kSuccess;

void makeHostKey(QXScsiHardDisk& disk, int first, int second, int third, std::string& key) {
    if (disk.m_bSnapReservationKey) {
        disk.makeSnapReservationKey(first, second, key);
    } else {
        disk.makeReservationKey(first, second, third, key);
    }
}

}  // namespace

unsigned long QXScsiHardDisk::doForcePR_Reserve(int first, int second, int third,
                                                std::string& key) {
    PR_FORCE_OUTCOME outcome = PR_FORCE_NONE;
    return doForcePR_Reserve(first, second, third, key, outcome);
}

unsigned long QXScsiHardDisk::doForcePR_Reserve(int first, int second, int third, std::string& key,
                                                PR_FORCE_OUTCOME& outcome) {
    outcome = PR_FORCE_NONE;
    // The way taken, told to the caller once it has worked.
    auto done = [&outcome](unsigned long result, PR_FORCE_OUTCOME way) {
        if (result == kSuccess) {
            outcome = way;
        }
        return result;
    };
    makeHostKey(*this, first, second, third, key);

    std::vector<std::string> registered;
    unsigned long result = PR_queryRegKey(registered);
    if (result != kSuccess) {
        qx::handle::logOutcome(*this, "Failed to query current registrations on the drive");
        return result;
    }
    if (std::find(registered.begin(), registered.end(), key) == registered.end()) {
        result = PR_register(key, true);
        if (result != kSuccess) {
            qx::handle::logOutcome(*this, "Could not register with the drive for reservation");
            return result;
        }
    }

    // A failed query leaves the holder empty, so the device is reserved all the same.
    std::string holder;
    unsigned long type = 0;
    if (PR_queryRsrv(holder, type) != kSuccess) {
        qx::handle::logOutcome(
            *this,
            "Failed to query current reservation on the drive..Will try to reserve "
            "anyways..");
    }

    if (holder.empty()) {
        qx::handle::logOutcome(*this, "No reservation on the drive. Going to reserve");
        result = PR_reserve(key);
        if (result != kSuccess) {
            qx::handle::logOutcome(*this, "Failed to do PR reserve on the drive.");
        }
        return done(result, PR_FORCE_RESERVED);
    }
    if (holder != key) {
        qx::handle::logOutcome(
            *this, "Valid reservation on the drive from another host. Going to pre-empt");
        result = PR_clear(key, holder, PR_CLS_PREEMPT);
        if (result != kSuccess) {
            qx::handle::logOutcome(*this, "Failed to do PR Prempt Reserve on the drive.");
        }
        return done(result, PR_FORCE_PREEMPTED);
    }
    // The holder's key is ours, but the holder may be another connection of this host: its
    // reservation then shuts this one out, and the caller's I/O would meet RESERVATION CONFLICT.
    if (!qx::handle::fencedUnderOwnKey(m_hDevice, m_strDevicePath)) {
        qx::handle::logOutcome(*this, "Reservation on the drive already exists from this host");
        return done(kSuccess, PR_FORCE_ALREADY_HELD);
    }
    qx::handle::logOutcome(*this,
                           "Reservation on the drive is held under this host's key through another "
                           "connection. Going to take it over");
    // PREEMPT is accepted only from a registered connection; naming our own key as the one to
    // pre-empt moves the reservation here and drops the other connections' registrations.
    result = PR_register(key, true);
    if (result != kSuccess) {
        qx::handle::logOutcome(*this, "Could not register with the drive for reservation");
        return result;
    }
    result = PR_clear(key, key, PR_CLS_PREEMPT);
    if (result != kSuccess) {
        qx::handle::logOutcome(*this, "Failed to do PR Prempt Reserve on the drive.");
    }
    return done(result, PR_FORCE_TAKEN_OVER);
}

unsigned long QXScsiHardDisk::doForcePR_Clear(int first, int second, int third) {
    std::string key;
    makeHostKey(*this, first, second, third, key);

    // CLEAR is only accepted from a registered host.
    unsigned long result = PR_register(key, true);
    if (result != kSuccess) {
        qx::handle::logOutcome(*this, "Could not register with the drive for reservation.");
        return result;
    }
    result = PR_clear(key, std::string(), PR_CLS_CLEAR);
    if (result != kSuccess) {
        qx::handle::logOutcome(*this,
                               "Failed to clear reservation and registrations on the drive.");
        return result;
    }
    qx::handle::logOutcome(*this,
                           "Successfully cleared reservation and registrations on the drive.");
    return kSuccess;
}

unsigned long QXScsiHardDisk::doPR_Release(const std::string& key) {
    const unsigned long result = PR_clear(key, std::string(), PR_CLS_RELEASE);
    if (!qx::handle::hostLogs()) {
        return result;
    }
    if (result != kSuccess) {
        LogEventMessage(kLogOutcome, "Failed to release reservation and registrations for key " +
                                         qx::pr::displayKey(key) + "  on the drive.");
        return result;
    }
    LogEventMessage(kLogOutcome, "Successfully released reservation for key " +
                                     qx::pr::displayKey(key) + " on the drive.");
    return kSuccess;
}
