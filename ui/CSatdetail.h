#pragma once
// "Satellite Details": the satellites of one snapshot, one row each (label, azimuth, elevation,
// SNR, used). The list does not follow later refreshes.

#include <QDialog>

#include "ui/SatelliteSnapshot.h"

class QTreeWidget;

class CSatdetail : public QDialog {
    Q_OBJECT
public:
    explicit CSatdetail(const ui::SatelliteSnapshot& snapshot, QWidget* parent = nullptr);
    const QTreeWidget* list() const { return list_; }

private:
    QTreeWidget* list_;
};
