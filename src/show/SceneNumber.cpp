#include "show/SceneNumber.h"

#include <deque>
#include <vector>

namespace {

struct SNumbers
{
    std::vector<CScene*> scenes{nullptr}; // by number; 0 is none
    std::deque<quint32> free;             // oldest first
};

// Outlives every scene, whenever the program lets go of its last.
SNumbers& Numbers()
{
    static SNumbers* const numbers = new SNumbers;
    return *numbers;
}

} // namespace

CSceneNumber::CSceneNumber(CScene* scene)
{
    SNumbers& numbers = Numbers();
    if (numbers.free.size() > size_t(kReuseDelay)) {
        m_value = numbers.free.front();
        numbers.free.pop_front();
        numbers.scenes[m_value] = scene;
    } else {
        m_value = quint32(numbers.scenes.size());
        numbers.scenes.push_back(scene);
    }
}

CSceneNumber::~CSceneNumber()
{
    SNumbers& numbers = Numbers();
    numbers.scenes[m_value] = nullptr;
    numbers.free.push_back(m_value);
}

CScene* CSceneNumber::SceneOf(quint32 number)
{
    const SNumbers& numbers = Numbers();
    return number < numbers.scenes.size() ? numbers.scenes[number] : nullptr;
}

quint32 CSceneNumber::Made()
{
    return quint32(Numbers().scenes.size() - 1);
}
