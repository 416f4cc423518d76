#pragma once

#include <QBoxLayout>
#include <QPushButton>
#include <QVector>

#include <initializer_list>

// A row of push buttons in a part of a window: each is named by its object
// name, and its click is told by the part's own signal.
namespace ButtonRow {

template <class Part> struct Button {
    const char *name;
    QString text;
    QString tip; // none when empty
    void (Part::*asked)();
};

// The buttons, added to the layout in this order, which is also the order Tab reads them.
template <class Part>
QVector<QPushButton *> add(Part *part, QBoxLayout *layout, std::initializer_list<Button<Part>> buttons)
{
    QVector<QPushButton *> made;
    for (const Button<Part> &button : buttons) {
        auto *b = new QPushButton(button.text, part);
        b->setObjectName(QString::fromLatin1(button.name));
        if (!button.tip.isEmpty())
            b->setToolTip(button.tip);
        layout->addWidget(b);
        QObject::connect(b, &QPushButton::clicked, part, button.asked);
        made.push_back(b);
    }
    return made;
}

} // namespace ButtonRow
