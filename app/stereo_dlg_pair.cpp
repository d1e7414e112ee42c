// CStereoDlg: choosing the left and the right image (or a stereo file for both), by the Open buttons or as files given
// at once, refusing images that are not 24-bit colour.
#include "app/stereo_dlg.h"

#include "engine/io/file_names.h"
#include "engine/io/image_file.h"
#include "engine/job/stereo_split.h"
#include "platform/platform.h"
#include "preview/preview_pane.h"
#include "resources/resource_ids.h"

#include <QLabel>

#include <algorithm>

bool CStereoDlg::IsRgbImage(const std::string& path)
{
    const SLoadResult loaded = LoadImageFile(path);
    if (loaded.status == ELoadStatus::kOk)
        return true;
    if (loaded.status != ELoadStatus::kNotRgb) {
        const std::string detail = DescribeLoadFailure(loaded, path);
        ShowMessageBox(detail.empty() ? "Couldn't load bitmap!" : detail);
    }
    return false;
}

void CStereoDlg::OnOpenLeft()
{
    OpenImage(false);
}

void CStereoDlg::OnOpenRight()
{
    OpenImage(true);
}

void CStereoDlg::OpenImage(bool bRight)
{
    const std::optional<std::string> chosen = CPlatform::Current().GetOpenImagePath(this);
    if (chosen && !chosen->empty())
        OpenFiles({*chosen}, bRight);
}

bool CStereoDlg::IsOpenableSet(const std::vector<std::string>& paths)
{
    return paths.size() <= 1 || (paths.size() == 2 && std::ranges::none_of(paths, IsStereoFileName));
}

// Each of two images is checked and refused on its own, as two Open
// buttons would.
void CStereoDlg::OpenFiles(const std::vector<std::string>& paths, bool bRight)
{
    if (IsJobRunning() || paths.empty())
        return;
    if (!IsOpenableSet(paths)) {
        ShowMessageBox(kOpenableFilesMessage);
    } else if (paths.size() == 2) {
        SetSide(false, paths[0]);
        SetSide(true, paths[1]);
    } else if (IsStereoFileName(paths[0])) {
        OpenStereoFile(paths[0]);
    } else {
        SetSide(bRight, paths[0]);
    }
}

// A stereo file (.mpo, .jps) holds the whole pair: it is split beside
// itself and fills both sides; one that cannot be split changes nothing.
void CStereoDlg::OpenStereoFile(const std::string& path)
{
    m_host.Reset();
    const std::optional<CStereoPair> views
        = SplitStereoFile(path, StereoLayoutOf(path), m_job.m_settings.m_saveFormat, m_host);
    if (views && SetSide(false, views->LeftPath()))
        SetSide(true, views->RightPath());
}

// A refused image leaves the side without a path; its name and thumbnail
// still show the image accepted before, if any.
bool CStereoDlg::SetSide(bool bRight, const std::string& chosen)
{
    m_job.m_pair = m_job.m_pair.WithSide(bRight, chosen);
    if (!IsRgbImage(chosen)) {
        ShowMessageBox(bRight ? "The right image is not in RGB colour mode!"
                              : "The left image is not in RGB colour mode!");
        m_job.m_pair = m_job.m_pair.WithSideRefused(bRight);
        return false;
    }
    GetItem<QLabel>(bRight ? IDC_RIGHT_NAME : IDC_LEFT_NAME)->setText(QString::fromStdString(GetFileName(chosen)));
    CPreviewPane& thumb = bRight ? g_wndRightThumb : g_wndLeftThumb;
    thumb.LoadFile(chosen);
    thumb.UpdateScrollBars();
    return true;
}
