#pragma once

#include <QString>
#include <QtGlobal>

struct InstrumentState;
class UserInterface;

// The erase window ("Effacement de la mémoire"), which the monitor opens while the logger
// reports an erase: the free memory as a bar and as a percentage.
class EraseProgressModel {
public:
    static constexpr int kTickMs = 10;

    explicit EraseProgressModel(qint64 totalMemory) : total_(totalMemory) {}

    static QString Title();
    // Every kTickMs; false once the document no longer reports an erase (close the window).
    bool Update(const InstrumentState& state);
    qint64 RangeMaximum() const { return total_; }
    qint64 Position() const { return free_; }
    QString Text() const;
    // OK and closing the window both tell the user the erase goes on without it.
    static void Dismiss(UserInterface& ui);

private:
    qint64 total_;
    qint64 free_ = 0;
};
