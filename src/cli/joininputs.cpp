#include "cli/joininputs.h"

#include "inputs/admissioncheck.h"
#include "inputs/folderscan.h"

#include <QFileInfo>

JoinInputs::JoinInputs(AudioFile &probe) : m_probe(probe) {}

void JoinInputs::add(const QString &path, bool recursive)
{
    if (!QFileInfo(path).isDir()) {
        admit(path);
        return;
    }
    FolderScan scan(FolderScan::Visitor{[this](const QString &file) { return admit(file); },
                                        {},
                                        {},
                                        [this](const QString &text) { refuse(text); }});
    scan.scanFolder(path, recursive);
}

void JoinInputs::refuse(const QString &text)
{
    m_refusals << text;
}

bool JoinInputs::admit(const QString &path)
{
    const AdmissionCheck check = AdmissionCheck::run(path, m_probe);
    if (!check.passed()) {
        refuse(check.refusal);
        return false;
    }
    m_paths << path;
    m_lengths.append({check.samples, check.sampleRate});
    m_totalSamples += check.samples;
    m_totalDurationMs += check.durationMs;
    return true;
}
