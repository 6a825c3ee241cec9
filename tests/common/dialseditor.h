#pragma once

// An editor window open on a small dashboard built for the dial tests.

#include "common/containerbuilder.h"
#include "common/dialfixture.h"
#include "common/editorparts.h"

#include <QTemporaryDir>

namespace testing_support {

/// Writes a dashboard holding only the background "0000", whose picture is
/// @p picture and whose dial record is @p record.
inline bool writeDialDashboard(const QString &dir, const QImage &picture, const tolvane::DialRecord &record)
{
    ContainerBuilder c;
    TestObject back;
    back.directoryName = "0000";
    back.width = int16_t(picture.width());
    back.height = int16_t(picture.height());
    c.objects = {back};
    c.dialRecord = QByteArray(tolvane::DialRecord::Size, '\0');
    record.encode(c.dialRecord.data());
    return writeFile(dir + "/SHPI.DAT", c.build()) && picture.save(dir + "/0000.bmp", "BMP");
}

/// The window open on a dashboard of @p picture and the dial @p fields,
/// shown as a load leaves them.
class DialsEditor : public EditorWindow
{
public:
    DialsEditor(const QImage &picture, const Fields &fields)
    {
        if (!writeDialDashboard(m_dir.path(), picture, dialRecord(fields)) || !openDirectory(m_dir.path()))
            qFatal("The dial test dashboard cannot be opened");
    }

private:
    QTemporaryDir m_dir;
};

} // namespace testing_support
