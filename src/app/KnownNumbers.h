#pragma once

#include "carriers/CarrierDetector.h"

#include <QObject>

class BackgroundTask;
class StoreConnection;

// The register's numbers as the carrier detection knows them: a number that
// is stored keeps its stored carrier. Read again off the window's thread
// after each history load and each change made in the management window.
class KnownNumbers final : public QObject {
    Q_OBJECT
public:
    KnownNumbers(const StoreConnection &store, QObject *parent);

    const CarrierDetection::RegisterIndex &index() const { return m_index; }
    void reread();

private:
    const StoreConnection &m_store;
    CarrierDetection::RegisterIndex m_index;
    BackgroundTask *m_task = nullptr;
};
