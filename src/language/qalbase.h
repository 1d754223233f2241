// The data module that holds the program's one language manager.
#pragma once

#include "language/langmanager.h"

#include <QObject>

namespace orvane {

class TQalBase : public QObject {
    Q_OBJECT
public:
    explicit TQalBase(QObject* parent = nullptr);

    TLangManager* LanMan = nullptr; // owned (a child)
};

} // namespace orvane
