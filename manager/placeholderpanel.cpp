#include "placeholderpanel.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

PlaceholderPanel::PlaceholderPanel(const QString& objectName, const QString& caption,
                                   const QString& okName, QWidget* parent)
    : QWidget(parent) {
    setObjectName(objectName);
    auto* frame = new QGroupBox(caption, this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto* layout = new QVBoxLayout(frame);
    layout->addStretch(1);
    m_ok = new QPushButton(QStringLiteral("OK"), frame);
    m_ok->setObjectName(okName);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_ok);
    layout->addLayout(row);
    connect(m_ok, &QPushButton::clicked, this, &PlaceholderPanel::okClicked);
}
