#pragma once

class Dialogs;
class QString;
class QWidget;
class StoreConnection;

// The register windows open their own connection on first use. True when the
// store is open; otherwise the reason has been shown to the user.
bool OpenRegister(StoreConnection &store, const QString &programFolder, Dialogs &dialogs, QWidget *parent);
