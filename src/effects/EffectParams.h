#pragma once

#include <QDomElement>
#include <QString>

#include <functional>

class CXmlDocument;

// Parameter lists of an effect element: a list element carrying "ZKENumber"
// below the effect element, and one element per parameter below the list.
// The writer remembers the effect element it was made on (the document's
// current element at that time), so several lists can follow each other.
class CEffectParamWriter
{
public:
    explicit CEffectParamWriter(CXmlDocument& doc);

    // Appends the list element below the effect element and makes it current.
    void BeginEffectParams(int count, const QString& tag);
    // Appends a parameter element below the last list and makes it current.
    void AddEffectParam(const QString& tag);
    // Makes the effect element current again.
    void ReturnToEffect();

    QDomElement EffectElement() const { return m_effect; }

private:
    CXmlDocument& m_doc;
    QDomElement m_effect;
    QDomElement m_list;
};

// Reads the list `listTag` below the current (effect) element: selects each
// `itemTag` child by index from 0 until one is missing or `maxItems` were
// read, calls `readItem` with that child current, and returns to the effect
// element. A missing list reads nothing. Returns the number of items visited.
int ReadEffectParams(CXmlDocument& doc, const QString& listTag, const QString& itemTag, int maxItems,
                     const std::function<void(CXmlDocument&)>& readItem);

// Fractions are stored as whole hundredths, truncated. The small margin keeps
// a value that was read as k / 100 at k (0.29 is 28.999... in binary).
int ToHundredths(double value);
