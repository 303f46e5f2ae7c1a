// PtyLink: a symlink that names the simulated radio's pty at a path that stays the same from run
// to run, so a person types one port name for good.
#pragma once

#include <QString>

namespace radiosim {

class PtyLink {
public:
    PtyLink() = default;
    ~PtyLink() { remove(); }
    PtyLink(const PtyLink &) = delete;
    PtyLink &operator=(const PtyLink &) = delete;

    // Points `linkPath` at `target`. A symlink already there is replaced (a run that was killed
    // leaves one behind); anything else there is refused, so no file of the user's is lost.
    // False with errorString() on failure.
    bool create(const QString &target, const QString &linkPath);
    // Removes the link if it still points at our target: another run may have taken the path over.
    void remove();
    QString errorString() const { return m_error; }

private:
    QString m_target, m_path, m_error;
};

} // namespace radiosim
