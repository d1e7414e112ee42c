// CStereoDlg: the analysis settings (trackbars with their value boxes, analysing mode, preview, output format).
#include "app/stereo_dlg.h"

#include "engine/base/image_format.h"
#include "engine/base/numeric.h"
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
    // The start values are a default job's settings, the ranges their declared limits.
    using S = SDepthMapSettings;
    const S start;
    m_job.m_settings = start;
    m_job.m_settings.m_saveFormat = SaveFormats().front().format;
    m_editParallaxX->setText(QString::number(start.m_nMaxParallaxX));
    m_editFragment->setText(QString::number(start.m_nFragmentSize));
    m_editParallaxY->setText(QString::number(start.m_nMaxParallaxY));
    m_editSpeed->setText(QString::number(start.m_nSpeedFactor));
    SetUpTrackbar(*m_sliderFragment, S::kMinFragmentSize / 2, S::kMaxFragmentSize / 2, start.m_nFragmentSize / 2);
    SetUpTrackbar(*m_sliderParallaxX, 0, S::kMaxParallax, start.m_nMaxParallaxX);
    SetUpTrackbar(*m_sliderParallaxY, 0, S::kMaxParallax, start.m_nMaxParallaxY);
    SetUpTrackbar(*m_sliderSpeed, S::kMinSpeedFactor, S::kMaxSpeedFactor, start.m_nSpeedFactor);
    m_job.m_bPreview = true;
    m_btnPreview->setChecked(true);
    m_staticStatus->setText(QString::fromUtf8(kStatusReady));
    m_btnSourceMode->setChecked(start.m_bAnalyzeSource);
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
    m_job.m_settings.m_bAnalyzeSource = m_btnSourceMode->isChecked();
}

void CStereoDlg::OnGradientMode()
{
    m_job.m_settings.m_bAnalyzeSource = !GetItem<QRadioButton>(IDC_GRADIENT_MODE)->isChecked();
}

void CStereoDlg::OnPreviewChanged()
{
    m_job.m_bPreview = m_btnPreview->isChecked();
}

void CStereoDlg::OnSaveFormatChanged(int nIndex)
{
    m_job.m_settings.m_saveFormat = static_cast<ESaveFormat>(m_comboFormat->itemData(nIndex).toInt());
}

// The value boxes' texts are the settings; the job reads them when it starts.
void CStereoDlg::ReadSettings()
{
    m_job.m_settings.m_nFragmentSize = ReadEdit(*m_editFragment);
    m_job.m_settings.m_nMaxParallaxX = ReadEdit(*m_editParallaxX);
    m_job.m_settings.m_nMaxParallaxY = ReadEdit(*m_editParallaxY);
    m_job.m_settings.m_nSpeedFactor = ReadEdit(*m_editSpeed);
}
