// One contending host, run as a process of its own (on tgt a process is a nexus of its own):
// it takes the shared disk with the forced reserve, round after round, while other hosts do
// the same, then stays alive, holding its session, until the test has looked at the device.
//
//   qxscsi_contender PATH FIRST SECOND THIRD ROUNDS
//
// It talks to the test line by line:
//   writes "ready"                        once its handle is open
//   reads  "go"                           then runs ROUNDS forced reserves
//   writes "done KEY CODE:COUNT... slowest MS"
//   reads  "read"                         then sends READ(10) of LBA 0, taking up to three
//                                         unit attentions first
//   writes "read STATUS ATTENTIONS", or "read failed"
//   exits  0 when its input ends, whatever it was waiting for
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>

#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace {

constexpr unsigned char kCheckCondition = 0x02;
constexpr unsigned char kUnitAttention = 0x06;
constexpr int kAttentions = 3;

bool expect(const std::string& word) {
    std::string line;
    return std::getline(std::cin, line) && line == word;
}

void readBlockZero(const std::string& path) {
    QXNTSpti spti(0, path);
    unsigned char cdb[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    unsigned char block[512] = {};
    for (int attention = 0; attention <= kAttentions; ++attention) {
        unsigned char key = 0, asc = 0, ascq = 0;
        if (!spti.SendSCSICmd(cdb, sizeof cdb, block, sizeof block, &key, &asc, &ascq, 30, 0)) {
            std::cout << "read failed: " << spti.m_strErrorMsg << std::endl;
            return;
        }
        if (spti.m_nScsiStatus != kCheckCondition || key != kUnitAttention) {
            std::cout << "read " << spti.m_nScsiStatus << " " << attention << std::endl;
            return;
        }
    }
    std::cout << "read failed: unit attention after unit attention" << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::cerr << "usage: qxscsi_contender PATH FIRST SECOND THIRD ROUNDS\n";
        return 2;
    }
    const std::string path = argv[1];
    const int first = std::atoi(argv[2]);
    const int second = std::atoi(argv[3]);
    const int third = std::atoi(argv[4]);
    const int rounds = std::atoi(argv[5]);
    QXScsiHardDisk disk(path, third);
    if (!disk.Open()) {
        std::cout << "open failed" << std::endl;
        return 1;
    }
    std::cout << "ready" << std::endl;
    if (!expect("go")) {
        return 0;
    }
    std::map<unsigned long, int> codes;
    long long slowest = 0;
    std::string key;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        ++codes[disk.doForcePR_Reserve(first, second, third, key)];
        const long long took = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - start)
                                   .count();
        slowest = took > slowest ? took : slowest;
    }
    std::cout << "done " << key;
    for (const auto& code : codes) {
        std::cout << " " << code.first << ":" << code.second;
    }
    std::cout << " slowest " << slowest << std::endl;
    if (!expect("read")) {
        return 0;
    }
    readBlockZero(path);
    std::string rest;
    while (std::getline(std::cin, rest)) {
    }
    return 0;
}
