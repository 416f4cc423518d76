#pragma once

#include "app/Notices.h"
#include "carriers/CarrierCatalogue.h"
#include "query/PassMarks.h"
#include "query/QueryPass.h"
#include "store/Waybill.h"

#include <QObject>

class BackgroundRefresh;
class Browser;
class CarrierSelection;
class ClassicTimer;
class Clock;
class ConciseQueryRunner;
class DetailedQuery;
class Dialogs;
class InfoPane;
class InputPane;
class KeyStore;
class KnownNumbers;
class QueryControls;
class ResultsPane;
class TrackingServices;
class WaybillChoice;
class StoreConnection;
struct CheckEffect;
struct ConciseRow;
struct StateCheck;

// The queries of the main window: which waybills a pass takes, the concise
// and the detailed pass and the background refresh that ask for them, what
// their answers do to the register, and the saving of the form, which keeps
// what a query just said of its number. The panes show; this decides.
class QueryController final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QWidget &window; // the parent of its messages
        QueryControls &controls;
        ResultsPane &results;
        InputPane &input;
        InfoPane &info;
        WaybillChoice &choice;
        const CarrierSelection &selection;
        const KnownNumbers &known;
        const ClassicTimer &pageReadTimer;
    };
    struct Context {
        QString dataFolder;
        Dialogs &dialogs;
        const Clock &clock;
        StoreConnection &store;
        Browser &browser;
    };
    QueryController(Context context, Parts parts, QObject *parent);
    // Once the window listens: the services' keys are read and the refresh ticks.
    void start();

    void runConcise();
    void runDetailed();
    void stop();
    bool isConciseRunning() const;
    bool isDetailedRunning() const;
    // The page under a running detailed pass changes: the pass stops and says why.
    void stopDetailedPass(const QString &why);
    // 简洁查询 works on the default source only.
    void followDataSource(DataSource source);

    // 保存输入信息 and the save before a query.
    void saveForm();
    // The waybill the window is on, as the form would store it.
    Waybill currentWaybill() const;
    void saveConciseResults();
    void saveDetailedResults();
    void clearResults();

    BackgroundRefresh *backgroundRefresh() const { return m_refresh; }
    TrackingServices *services() const { return m_services; }
    KeyStore *keyStore() const { return m_keyStore; }
    // The history list's note beside a waybill whose refresh stopped.
    QString refreshNote(const QString &number) const;
    // 刷新数据 on a waybill whose refresh stopped starts it again.
    void restartRefresh(const QString &number);

Q_SIGNALS:
    void statusChanged(const QString &text); // the progress panel; empty hides it
    void message(const QString &text);       // a passing line on the status bar
    void healthChanged(const QString &line); // the account service's health; empty without one
    void formSaved();                        // the history list follows a moment later
    void historyStale();                     // a pass marked waybills: the list shows them anew
    void noticeReady(const Notices::Notice &notice);

private:
    void buildConcise();
    void buildDetailed();
    void buildRefresh();
    void buildServices();
    void showStatus(const QString &text) { Q_EMIT statusChanged(text); }
    void showProgress(int done, int total);
    void passEnded();
    void detailedPassEnded(bool stopped);
    void noteCheck(const StateCheck &check, const CheckEffect &effect, const QString &carrier);
    // False when the check could not be saved; `marks` keeps it for the end of the pass.
    bool markSignedFor(const StateCheck &check, PassMarks &marks);
    void keepLastAnswer(const QString &number);
    bool prepareBatch(QVector<QPair<QString, QString>> *rows);
    void startConcisePass(const QVector<QPair<QString, QString>> &waybills, bool batch, bool mark);
    void showConciseRow(const ConciseRow &row, bool mark);
    QString phoneFor(const QString &number, const QString &carrier) const;
    void showHealth();
    bool readyForAccountPass();
    QVector<ConciseRow> takeRecentAnswers(QVector<QPair<QString, QString>> *waybills);
    void startTracedDetailedPass(const QVector<QPair<QString, QString>> &waybills);
    void showTrace(const ConciseRow &row);
    void appendTrace(const ConciseRow &row);

    Context m_env;
    Parts m_parts;
    ConciseQueryRunner *m_concise = nullptr;
    ConciseQueryRunner *m_traced = nullptr; // the detailed pass of an account service
    DetailedQuery *m_detailed = nullptr;
    KeyStore *m_keyStore = nullptr;
    TrackingServices *m_services = nullptr;
    BackgroundRefresh *m_refresh = nullptr;
    bool m_detailCurrent = false; // a current-waybill query, not a pass
    bool m_conciseMarks = false;
    bool m_markedSinceLoad = false;
    PassMarks m_conciseSaves; // what each pass could not save
    PassMarks m_detailedSaves;
    QueryPass::LastAnswers m_lastAnswers; // what a pass said of numbers not (yet) in the register
    Notices m_notices;
    QString m_lastDetailFile;
};
