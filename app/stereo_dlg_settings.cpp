// CStereoDlg: the analysis settings (trackbars with their value boxes, analysing mode, preview, output format).
#include "app/stereo_dlg.h"

#include "engine/image_format.h"
#include "engine/numeric.h"
#include "platform/digit_edit.h"
#include "resources/resource_ids.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>

namespace {

// The trackbar's own defaults: a line is 1 and a page a fifth of the range.
void SetUpTrackbar(QSlider& slider, int nMin, int nMax, int nPosition)
{
    const QSignalBlocker blocker(slider);
    slider.setRange(nMin, nMax);
    slider.setSingleStep(1);
    slider.setPageStep(std::max((nMax - nMin) / 5, 1));
    slider.setValue(nPosition);
}

int ReadEdit(const QLineEdit& edit)
{
    return TextToInt(edit.text().toStdString());
}

} // namespace

void CStereoDlg::InitSettings()
{
    // The list is the table of formats, in its order; each item carries its format.
    m_comboFormat->clear();
    for (const SSaveFormatInfo& info : SaveFormats())
        m_comboFormat->addItem(QString::fromUtf8(info.szName), static_cast<int>(info.format));
    m_comboFormat->setCurrentIndex(0);
    m_job.m_nSaveFormat = SaveFormats().front().format;
    m_editParallaxX->setText(QStringLiteral("0"));
    m_editFragment->setText(QStringLiteral("2"));
    m_editParallaxY->setText(QStringLiteral("0"));
    m_editSpeed->setText(QStringLiteral("1"));
    SetUpTrackbar(*m_sliderFragment, 1, 64, 1);
    SetUpTrackbar(*m_sliderParallaxX, 0, 128, 0);
    SetUpTrackbar(*m_sliderParallaxY, 0, 128, 0);
    SetUpTrackbar(*m_sliderSpeed, 1, 10, 1);
    m_job.m_bPreview = 1;
    m_btnPreview->setChecked(true);
    m_staticStatus->setText(QString::fromUtf8(kStatusReady));
    m_btnSourceMode->setChecked(true);
    m_job.m_bAnalyzeSource = 1;
}

// Each trackbar shows its value in its box: the fragment size is twice the
// position, so it is always even.
void CStereoDlg::OnHScroll(QSlider* pSlider)
{
    if (pSlider == m_sliderParallaxX)
        m_editParallaxX->setText(QString::number(m_sliderParallaxX->value()));
    else if (pSlider == m_sliderParallaxY)
        m_editParallaxY->setText(QString::number(m_sliderParallaxY->value()));
    else if (pSlider == m_sliderFragment)
        m_editFragment->setText(QString::number(2 * m_sliderFragment->value()));
    else if (pSlider == m_sliderSpeed)
        m_editSpeed->setText(QString::number(m_sliderSpeed->value()));
}

void CStereoDlg::OnSourceMode()
{
    m_job.m_bAnalyzeSource = m_btnSourceMode->isChecked() ? 1 : 0;
}

void CStereoDlg::OnGradientMode()
{
    m_job.m_bAnalyzeSource = GetItem<QRadioButton>(IDC_GRADIENT_MODE)->isChecked() ? 0 : 1;
}

void CStereoDlg::OnPreviewChanged()
{
    m_job.m_bPreview = m_btnPreview->isChecked() ? 1 : 0;
}

void CStereoDlg::OnSaveFormatChanged(int nIndex)
{
    m_job.m_nSaveFormat = static_cast<ESaveFormat>(m_comboFormat->itemData(nIndex).toInt());
}

// The value boxes' texts are the settings; the job reads them when it starts.
void CStereoDlg::ReadSettings()
{
    m_job.m_nFragmentSize = ReadEdit(*m_editFragment);
    m_job.m_nMaxParallaxX = ReadEdit(*m_editParallaxX);
    m_job.m_nMaxParallaxY = ReadEdit(*m_editParallaxY);
    m_job.m_nSpeedFactor = ReadEdit(*m_editSpeed);
}
