// A working folder with every table, the program's workspace on it, and the messages the
// screens would have shown collected instead (every question answered OK).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "store/upgrade.h"
#include "store/workspace.h"
#include "support/records.h"
#include "support/tempdir.h"
#include "ui/popmsg.h"
#include "ui/qtapp.h"

namespace arv::test {

class RegisterFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        ASSERT_TRUE(store::AGGIORNADATABASE(dir.path()));
        store::workspace().closeAll();
        store::workspace().setFolder(dir.path());
        setMessageBoxHandler([this](MessageKind, const std::string& text, const std::string&) {
            messages.push_back(text);
            return int(kAnswerOk);
        });
    }
    void TearDown() override
    {
        setMessageBoxHandler({});
        store::workspace().closeAll();
    }

    // Appends a record to TABLE of the workspace, filled by FILL.
    void addRecord(const std::string& table, const std::function<void(store::Table&)>& fill)
    {
        arv::test::addRecord(store::workspace(), table, fill);
    }

    TempDir dir;
    std::vector<std::string> messages;
};

} // namespace arv::test
