#pragma once

struct Carrier;

// What the settings dialog may do to the main window. The main window
// implements it: carriers with a button turn their button on, the others
// select their entry in the other-carrier list.
class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;
    virtual void SelectCarrierFromSettings(const Carrier &carrier) = 0;
    // Timer1, the harvest of the tracking page.
    virtual void SetHarvestInterval(int ms) = 0;
    virtual int HarvestInterval() const = 0;
    // Timer3, the update check at start; 0 keeps it from firing.
    virtual void SetUpdateCheckInterval(int ms) = 0;
};
