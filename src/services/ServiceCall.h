#pragma once

#include "services/TrackingService.h"

class QNetworkAccessManager;
class QNetworkReply;

// Sends one protocol call, bounded in time and size like every request of
// the program.
QNetworkReply *SendServiceCall(QNetworkAccessManager &network, const HttpCall &call, int timeoutMs);

// What came back, as the protocols read it. An answer with a status is read
// by the protocol, which knows its codes (429, 5xx carry the service's
// words); a transfer that failed on its way carries only why. The classic
// interface words every failure alike, as it always has.
HttpAnswer ServiceAnswerOf(QNetworkReply *reply, ServiceId service);
