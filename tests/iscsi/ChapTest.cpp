// CHAP against the fixture's target that admits only CHAP logins: credentials in the path and in
// the iSCSI library's environment variables, mutual CHAP, wrong credentials refused with the
// target's reason whatever session the host already holds, and secrets kept out of every text
// the library and the tool produce.
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "qxscsi/QXScsiFlat.h"
#include "qxscsi/QXScsiHardDisk.h"
#include "tests/iscsi/Scsi.h"
#include "tests/tools/RunTool.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr char kRefused[] = "Authentication failure";
constexpr char kWrongSecret[] = "qx-wrong-secret-9";

class Chap : public tgt::TgtTest {
  protected:
    static std::string user() { return tgt::setting("TGT_CHAP_USER"); }
    static std::string secret() { return tgt::setting("TGT_CHAP_PASSWORD"); }
    // The CHAP disk as host reaches it, with credentials ("user%password@", or "") in the path.
    static std::string path(const std::string& credentials, const std::string& host) {
        return "iscsi://" + credentials + tgt::setting("TGT_PORTAL") + "/" +
               tgt::setting("TGT_CHAP_IQN") + "/1?initiator=iqn.2026-12.local.qxscsi:" + host;
    }
    static std::string good() { return user() + "%" + secret() + "@"; }
};

// Opens target and sends TEST UNIT READY; empty when both worked, else the failure's text.
std::string openAndTest(OZScsiTarget& target) {
    if (OZScsi::open(target, 10) != 0) {
        try {
            OZScsi::populate(target);
            return "populate passed an open that failed";
        } catch (const QxException& e) {
            return e.getMessage();
        }
    }
    std::string failure;
    const int status = tgt::send(target, failure, 30, tgt::kTestUnitReady, {});
    return status == 0 ? std::string()
                       : "TEST UNIT READY status " + std::to_string(status) + failure;
}

// Credentials from the path, the environment or both, mutual CHAP among them: the right ones
// log in (those of the first session share it), wrong ones are refused with the target's reason
// and no secret, and the good session is neither used for those nor harmed by them.
TEST_F(Chap, CredentialsFromThePathOrTheEnvironmentLogInOrAreRefusedWithTheTargetsReason) {
    OZScsiTarget first(path(good(), "chap-pool").c_str(), true);
    ASSERT_EQ(openAndTest(first), "");
    using Settings = std::vector<std::pair<std::string, std::string>>;
    const std::string wrong = user() + "%" + kWrongSecret + "@";
    const std::string targetUser = tgt::setting("TGT_CHAP_TARGET_USER");
    const std::string targetSecret = tgt::setting("TGT_CHAP_TARGET_PASSWORD");
    const Settings right = {{"LIBISCSI_CHAP_USERNAME", user()},
                            {"LIBISCSI_CHAP_PASSWORD", secret()}};
    // Mutual CHAP: the name and secret the target must answer with.
    const auto mutual = [](const std::string& name, const std::string& secret) {
        return Settings{{"LIBISCSI_CHAP_TARGET_USERNAME", name},
                        {"LIBISCSI_CHAP_TARGET_PASSWORD", secret}};
    };
    const struct {
        std::string credentials;
        Settings environment;
        const char* failure;  // "": logs in, into the first session unless mutual
    } cases[] = {
        {wrong, {}, kRefused},
        {"", {}, kRefused},
        {"", {right[0], {"LIBISCSI_CHAP_PASSWORD", kWrongSecret}}, kRefused},
        {"", right, ""},
        {wrong, right, kRefused},  // the path's own password comes first
        {user() + "@", {right[1]}, ""},
        {good(), mutual(targetUser, kWrongSecret), "Invalid CHAP_R response from the target"},
        {good(), mutual("qxnotarget", targetSecret), "Wrong CHAP targetname received"},
        {good(), mutual(targetUser, targetSecret), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(&c - cases));
        for (const auto& v : c.environment) {
            setenv(v.first.c_str(), v.second.c_str(), 1);
        }
        OZScsiTarget target(path(c.credentials, "chap-pool").c_str(), true);
        const std::string failure = openAndTest(target);
        for (const auto& v : c.environment) {
            unsetenv(v.first.c_str());
        }
        if (*c.failure == '\0') {
            EXPECT_EQ(failure, "");
            EXPECT_EQ(target.handle() == first.handle(), c.credentials != good());
            continue;
        }
        EXPECT_THAT(failure, HasSubstr(c.failure));
        EXPECT_THAT(failure, HasSubstr("cannot open iscsi://"));
        EXPECT_THAT(failure, Not(HasSubstr(kWrongSecret)));
        EXPECT_THAT(failure, Not(HasSubstr(secret())));
        EXPECT_THAT(failure, Not(HasSubstr(targetSecret)));
        EXPECT_FALSE(target.isOpen());
    }
    OZScsiTarget again(path(good(), "chap-pool").c_str(), true);
    ASSERT_EQ(openAndTest(again), "");
    EXPECT_EQ(again.handle(), first.handle());
}

// Every text the library hands a host about one device: the handle's error and log lines, the
// free functions' error texts and the pass-through object's message.
std::vector<std::string> hostTexts(const std::string& device) {
    static std::vector<std::string> texts;  // the log callback's, at every level
    texts.clear();
    QXScsiHardDisk::m_gpLogMessageCallbackFunc =
        [](int, const long long&, const std::string& text) { texts.push_back(text); };
    {
        QXScsiHardDisk disk(device, 7);
        disk.Open();
        std::vector<std::string> keys;
        std::string key;
        disk.PR_queryRegKey(keys);
        texts.push_back("handle: " + std::to_string(disk.getLastError(key)) + " " + key);
        disk.doForcePR_Reserve(7, 0, 1, key);
        texts.push_back("handle: " + std::to_string(disk.getLastError(key)) + " " + key);
    }
    QXScsiHardDisk::m_gpLogMessageCallbackFunc = nullptr;
    char key[64] = {};
    char error[1024] = {};
    int found = 0;
    FuncPR_queryQXRegKey(device.c_str(), key, sizeof key, error, sizeof error, &found);
    texts.push_back(std::string("FuncPR_queryQXRegKey: ") + error);
    char mine[] = "QX070001";
    error[0] = '\0';
    FuncPR_register(device.c_str(), mine, error, sizeof error);
    texts.push_back(std::string("FuncPR_register: ") + error);
    QXNTSpti spti(-1, device);
    spti.isOK();
    texts.push_back("QXNTSpti: " + spti.m_strErrorMsg);
    return texts;
}

TEST_F(Chap, SecretsNeverAppearInMessagesOrLogLines) {
    const std::string refused = path(user() + "%" + kWrongSecret + "@", "chap-quiet");
    std::string all;
    for (const std::string& text : hostTexts(refused)) {
        all += text + "\n";
    }
    EXPECT_THAT(all, HasSubstr(kRefused));
    EXPECT_THAT(all, HasSubstr(user() + "%***@"));
    EXPECT_THAT(all, Not(HasSubstr(kWrongSecret)));
    // A host that logs in: the trace of its operations at every level.
    for (const std::string& text : hostTexts(path(good(), "chap-quiet"))) {
        EXPECT_THAT(text, Not(HasSubstr(secret())));
        EXPECT_THAT(text, Not(HasSubstr(kRefused)));
    }
}

// The tool's output, refused and logged in (a test of its own: it executes the tool).
using ChapTool = Chap;

TEST_F(ChapTool, SecretsNeverAppearInTheToolsOutput) {
    const std::string refused = path(user() + "%" + kWrongSecret + "@", "chap-quiet");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"pr-reserve", "-vv", "--host", "7,0,2", refused},
          std::vector<std::string>{"pr-reserve", "-vv", "--host", "7,0,2", path(good(), "x")}}) {
        const tooltest::ToolRun run = tooltest::runTool(args, 60);
        const std::string& device = args.back();
        const bool wrong = device == refused;
        EXPECT_EQ(run.status == 0, !wrong) << device << "\n" << run.err;
        EXPECT_THAT(run.out + run.err, Not(HasSubstr(wrong ? kWrongSecret : secret().c_str())))
            << args[0];
        if (wrong) {
            EXPECT_THAT(run.err + run.out, HasSubstr(kRefused)) << args[0];
        }
    }
}

}  // namespace
