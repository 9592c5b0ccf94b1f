#pragma once

// The month calendar as the classic one shows it: today circled, and a "Today:" line beneath
// the month that selects today when clicked. Today comes from the program's clock.

#include <QCalendarWidget>
#include <QDate>

class QPushButton;

namespace platform {

class MonthCalendar : public QCalendarWidget {
  Q_OBJECT

 public:
  explicit MonthCalendar(QWidget* parent);

  QDate Today() const { return m_today; }
  QPushButton* TodayLine() const { return m_todayLine; }
  // The colour of the circle around today.
  static QColor TodayMarkColor();

 protected:
  void paintCell(QPainter* painter, const QRect& rect, QDate date) const override;

 private:
  QDate m_today;
  QPushButton* m_todayLine;
};

}  // namespace platform
