// The fixture of the tests that reach a demo database over the network: a demo database of
// the test's own, served by qel13-server on a free loopback port, which must stop cleanly
// when the test ends.
#pragma once

#include "tests/fixtures/demo_fixture.h"
#include "tests/tds/server_process.h"

#include <gtest/gtest.h>
#include <memory>

namespace qel::test {

class ServedDemoTest : public ::testing::Test {
protected:
    // A derived SetUp calls this first and returns when HasFatalFailure().
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        fx = std::make_unique<DemoFixture>(QString::fromLatin1(info->test_suite_name()) + QLatin1Char('-')
                                           + QString::fromLatin1(info->name()));
        server = std::make_unique<ServerProcess>(fx->databasePath);
        ASSERT_TRUE(server->start()) << server->error().toStdString();
    }
    void TearDown() override
    {
        if (server) {
            EXPECT_EQ(server->stop(), 0) << server->log().toStdString();
        }
    }

    std::unique_ptr<DemoFixture> fx;
    std::unique_ptr<ServerProcess> server;
};

} // namespace qel::test
