#pragma once
// The delivery test's matrix: senders down, targets across, each tested pair's cell showing its
// delivery % on a colour from red (nothing arrives) to green (everything does), with its counts
// in the tooltip.

#include <QColor>
#include <QTableWidget>
#include <optional>
#include <string>
#include <vector>

#include "DeliveryEvents.h"

namespace meshapp {

class DeliveryMatrix : public QTableWidget {
    Q_OBJECT

  public:
    explicit DeliveryMatrix(QWidget* parent = nullptr);

    void setPorts(const std::vector<std::string>& ports);
    void showFigures(const delivery::Summary& summary);

    // The colour of a delivered share; grey before any send has its fate.
    static QColor colorOf(std::optional<double> share);
};

}  // namespace meshapp
