// SPDX-License-Identifier: GPL-3.0-or-later
// The one QApplication of a window test program, made before its first test and run from the
// program's folder, where it finds its recording and font.
//
//   const auto* const qtEnvironment =
//       ::testing::AddGlobalTestEnvironment(new sorvel::QtEnvironment("app_tests", true));
#pragma once

#include <QApplication>
#include <QDir>
#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace sorvel {

class QtEnvironment : public ::testing::Environment {
public:
    // `fusion`: in the style the program sets for itself.
    explicit QtEnvironment(std::string name, bool fusion = false)
        : name_(std::move(name)), fusion_(fusion) {}

    void SetUp() override {
        argv_[0] = name_.data();
        app_ = std::make_unique<QApplication>(argc_, argv_);
        if (fusion_)
            QApplication::setStyle(QStringLiteral("Fusion"));
        QDir::setCurrent(QStringLiteral(SORVEL_RUNTIME_DIR));
    }
    void TearDown() override { app_.reset(); }

private:
    std::string name_;
    bool fusion_;
    // QApplication keeps these for its lifetime.
    int argc_ = 1;
    char* argv_[2] = {nullptr, nullptr};
    std::unique_ptr<QApplication> app_;
};

} // namespace sorvel
