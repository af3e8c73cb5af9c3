#include "effects/StepRecords.h"

#include <cstring>

void ResizeStepArray(QByteArray& array, int steps)
{
    if (steps <= 0) {
        array.clear();
        return;
    }
    const int old = array.size();
    array.resize(steps);
    if (steps > old)
        std::memset(array.data() + old, 0, size_t(steps - old));
}

void CColorStepRecord::Resize(int steps)
{
    for (QByteArray* array : {&m_rawRed, &m_rawGreen, &m_rawBlue, &m_rawWhite, &m_outRed, &m_outGreen, &m_outBlue,
                              &m_outWhite})
        ResizeStepArray(*array, steps);
}

void CColorStepRecord::Clear()
{
    Resize(0);
}

void CPanTiltStepRecord::Resize(int steps)
{
    for (QByteArray* array : {&m_panCoarse, &m_panFine, &m_tiltCoarse, &m_tiltFine})
        ResizeStepArray(*array, steps);
}

void CPanTiltStepRecord::Clear()
{
    Resize(0);
}

void CChannelStepRecord::Resize(int steps)
{
    ResizeStepArray(m_coarse, steps);
    ResizeStepArray(m_fine, steps);
}

void CChannelStepRecord::Clear()
{
    Resize(0);
}
