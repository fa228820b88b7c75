#include "ZREvent.h"

#include <QDeadlineTimer>

void ZREvent::set() {
    QMutexLocker locker(&m_mutex);
    m_signalled = true;
    m_condition.wakeOne();
}

void ZREvent::wait() {
    QMutexLocker locker(&m_mutex);
    while (!m_signalled)
        m_condition.wait(&m_mutex);
    m_signalled = false;
}

bool ZREvent::wait(int ms) {
    QDeadlineTimer deadline(ms);
    QMutexLocker locker(&m_mutex);
    while (!m_signalled) {
        if (!m_condition.wait(&m_mutex, deadline)) break;
    }
    const bool got = m_signalled;
    m_signalled = false;
    return got;
}
