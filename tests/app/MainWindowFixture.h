#pragma once
// A shown main window driven as a user drives it, with every dialog scripted.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QTest>
#include <memory>

#include "app/frmmn.h"
#include "platform/chart/Chart.h"
#include "tests/support/ScriptedDialogs.h"

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TfrmMain>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }

  void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

  // Fills the joint editor and clicks Add; group < 0 leaves "Joint in Group:" unticked.
  void AddJoint(const std::string& caption, const std::string& beta, const std::string& psi,
                int group = -1) {
    form->edtJointCaption->setText(QString::fromStdString(caption));
    form->edtJointBeta->setText(QString::fromStdString(beta));
    form->edtJointPsi->setText(QString::fromStdString(psi));
    form->chkInGroup->setChecked(group >= 0);
    if (group >= 0) form->cmbGroups->setCurrentIndex(group);
    Click(form->btnJointAdd);
  }

  // Selects group line `index`, edits it and clicks the group's Change.
  void ChangeGroup(int index, const std::string& caption, bool active, TColor color = clBlack) {
    form->lboGroups->setCurrentRow(index);
    form->edtGroupCaption->setText(QString::fromStdString(caption));
    form->chkGroupActive->setChecked(active);
    form->shpGroupColor->SetBrushColor(color);
    Click(form->btnGroupChange);
  }

  QStringList Lines(QListWidget* list) const {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
  }

  // The chart's series past the primitive circle, in drawing order.
  std::vector<TChartSeries*> Plot() const {
    std::vector<TChartSeries*> series;
    for (int i = 1; i < form->VandremolixicChart->SeriesCount(); ++i)
      series.push_back(form->VandremolixicChart->Series(i));
    return series;
  }

  QImage RenderChart() const {
    TChart* chart = form->VandremolixicChart;
    QImage image(chart->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    chart->Paint(painter, image.rect());
    return image;
  }

  bool ResizeClientTo(QSize size) {
    const QSize frame = form->size() - form->ClientArea->size();
    form->resize(size + frame);
    return QTest::qWaitFor([&] { return form->ClientArea->size() == size; });
  }

  TScriptedDialogsScope dialogs;
  std::unique_ptr<TfrmMain> form;
};
