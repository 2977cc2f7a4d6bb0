// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The tracker page: the satellite the tracker follows, as its latest line
// says, and the state of the conversation with the tracker.

#include "core/trackerline.h"

#include <QLabel>
#include <QWidget>

class TOrbitronFrame : public QWidget {
    Q_OBJECT
public:
    explicit TOrbitronFrame(QWidget* parent = nullptr);

    // Shows the record and the AOS notice.
    void PrintData(const kt90::TSatData& record, const std::string& aosText);

    QLabel *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10;
    QLabel *l_na, *l_az, *l_el, *l_uf, *l_df, *l_um, *l_dm, *l_aos, *l_dd;
    QLabel* l_rot; // the hamlib rotator server's state

signals:
    // A click on the conversation state.
    void l_ddClick();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
};
