// SPDX-License-Identifier: GPL-3.0-or-later
// Registering the notation font for the process: by plain file name from the working
// directory, failures that name the file, and removal.
#include "fontregistration.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include <sys/stat.h>

namespace sorvel {
namespace {

class FontRegistrationTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "platform_tests";
        static char* argv[] = {name, nullptr};
        if (QGuiApplication::instance() == nullptr) {
            app = new QGuiApplication(argc, argv);
        }
    }
    static void TearDownTestSuite() {
        delete app;
        app = nullptr;
    }

    void SetUp() override { previous = QDir::currentPath(); }
    void TearDown() override { QDir::setCurrent(previous); }

    static bool sonoraKnown() { return QFontDatabase::families().contains("Sonora"); }

    static QGuiApplication* app;
    QString previous;
};

QGuiApplication* FontRegistrationTest::app = nullptr;

TEST_F(FontRegistrationTest, RegistersByPlainNameAndRemoves) {
    ASSERT_TRUE(QFileInfo::exists(SORVEL_FONT_FILE));
    ASSERT_TRUE(QDir::setCurrent(QFileInfo(SORVEL_FONT_FILE).absolutePath()));
    EXPECT_FALSE(sonoraKnown());
    const int id = registerNotationFont();
    EXPECT_GE(id, 0);
    EXPECT_TRUE(QFontDatabase::applicationFontFamilies(id).contains("Sonora"));
    EXPECT_TRUE(sonoraKnown());
    EXPECT_TRUE(unregisterFont(id));
    EXPECT_FALSE(sonoraKnown());
    EXPECT_FALSE(unregisterFont(-1));
}

TEST_F(FontRegistrationTest, MissingFileIsAnErrorNamingIt) {
    QTemporaryDir empty;
    ASSERT_TRUE(QDir::setCurrent(empty.path()));
    try {
        registerNotationFont();
        FAIL() << "no error without the file";
    } catch (const FontError& e) {
        EXPECT_NE(std::string(e.what()).find("SONORA.TTF"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(sonoraKnown());
}

TEST_F(FontRegistrationTest, FileWithoutAFontIsAnErrorNamingIt) {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/SONORA.TTF").toStdString();
    std::ofstream(path) << "not a font at all";
    EXPECT_THROW(
        {
            try {
                registerFont(path);
            } catch (const FontError& e) {
                EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
                throw;
            }
        },
        FontError);
}

TEST_F(FontRegistrationTest, OnlyRegularFilesOfAFontsSizeAreRead) {
    // Each refused before a byte is read (a FIFO without a writer would block the open), with
    // a message naming it and saying what it is.
    QTemporaryDir dir;
    const std::string folder = (dir.path() + "/folder.ttf").toStdString();
    const std::string fifo = (dir.path() + "/fifo.ttf").toStdString();
    const std::string huge = (dir.path() + "/huge.ttf").toStdString();
    std::filesystem::create_directory(folder);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(huge).close();
    std::filesystem::resize_file(huge, (16u << 20) + 1); // sparse: costs no disk
    const std::pair<std::string, std::string> cases[] = {
        {folder, folder + " is a directory, not a font."},
        {fifo, fifo + " is not a regular file (a FIFO)."},
        {"/dev/zero", "/dev/zero is not a regular file (a character device)."},
        {huge, huge + " is too large for a font: 16777217 bytes, more than the 16777216 accepted."},
    };
    for (const auto& [path, message] : cases) {
        try {
            registerFont(path);
            ADD_FAILURE() << path << " registered";
        } catch (const FontError& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
}

TEST_F(FontRegistrationTest, AnotherFontIsNotTakenForSonora) {
    // A real font under the expected file name, but not the notation font.
    const char* other = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!QFileInfo::exists(other)) {
        GTEST_SKIP() << "no DejaVu Sans";
    }
    const int before = QFontDatabase::families().size();
    EXPECT_THROW(registerNotationFont(other), FontError);
    EXPECT_FALSE(sonoraKnown());
    EXPECT_EQ(QFontDatabase::families().size(), before);
}

} // namespace
} // namespace sorvel
