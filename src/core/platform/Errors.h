// Run-time errors of the program: a description the user and the log can read.
#pragma once

#include <QString>
#include <exception>

namespace tavin {

class RuntimeError : public std::exception {
public:
    explicit RuntimeError(QString description) : description_(std::move(description)) {}
    const QString& description() const { return description_; }
    const char* what() const noexcept override { return "tavin::RuntimeError"; }

private:
    QString description_;
};

// Descriptions of the common conversion faults.
inline const QString kTypeMismatch = QStringLiteral("型が一致しません。");
inline const QString kOverflow = QStringLiteral("オーバーフローしました。");

// The description of any exception, for the log and message boxes.
QString describe(const std::exception& e);

}  // namespace tavin
