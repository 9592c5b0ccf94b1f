#include "platform/qt/MonthCalendar.h"

#include <QBoxLayout>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <ctime>

#include "platform/Time.h"

namespace platform {
namespace {

QDate LocalToday() {
  std::tm local{};
  if (!CTime::GetCurrentTime().GetLocalTm(&local)) return {};
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace

MonthCalendar::MonthCalendar(QWidget* parent) : QCalendarWidget(parent), m_today(LocalToday()) {
  m_todayLine = new QPushButton(tr("Today: %1").arg(QLocale().toString(m_today, QLocale::ShortFormat)), this);
  m_todayLine->setObjectName(QStringLiteral("todayLine"));
  m_todayLine->setFlat(true);
  m_todayLine->setFocusPolicy(Qt::NoFocus);  // reached by the mouse, as in the classic calendar
  m_todayLine->setStyleSheet(QStringLiteral("text-align: left; font-weight: bold; padding: 1px 4px;"));
  connect(m_todayLine, &QPushButton::clicked, this, [this] {
    setSelectedDate(m_today);
    setCurrentPage(m_today.year(), m_today.month());
  });
  // The calendar lays out its navigation bar and its days in a column; the line goes last.
  if (auto* column = qobject_cast<QBoxLayout*>(layout())) column->addWidget(m_todayLine);
}

QColor MonthCalendar::TodayMarkColor() { return {0xC0, 0x10, 0x10}; }

void MonthCalendar::paintCell(QPainter* painter, const QRect& rect, QDate date) const {
  QCalendarWidget::paintCell(painter, rect, date);
  if (date != m_today) return;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, false);  // one exact colour, so it can be found
  painter->setPen(QPen(TodayMarkColor(), 2));
  painter->setBrush(Qt::NoBrush);
  painter->drawEllipse(rect.adjusted(2, 1, -2, -1));
  painter->restore();
}

}  // namespace platform
