// Small controls with the behaviour the handlers rely on: a label whose caption change runs a
// handler, and a Tag text that marks changes made by code.
#pragma once

#include <QLabel>

namespace tavin {

class Label : public QLabel {
    Q_OBJECT

public:
    explicit Label(const QString& name, const QString& caption = QString(), QWidget* parent = nullptr)
        : QLabel(caption, parent)
    {
        setObjectName(name);
    }

    // Sets the caption; a changed caption emits Change, as an edit by the user would.
    void setText(const QString& text)
    {
        if (text == QLabel::text())
            return;
        QLabel::setText(text);
        Q_EMIT Change();
    }

    QString Tag;

Q_SIGNALS:
    void Change();
};

}  // namespace tavin
