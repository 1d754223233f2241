#include "platform/stopsignals.h"

namespace orvane::platform {

struct TStopSignals::TPrivate {};

TStopSignals::TStopSignals(EWhich, QObject* parent) : QObject(parent) {}

TStopSignals::~TStopSignals() = default;

void TStopSignals::Start() {}

} // namespace orvane::platform
