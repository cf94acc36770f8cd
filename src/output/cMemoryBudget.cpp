#include "cMemoryBudget.h"

#include <QFile>

#include <algorithm>
#include <utility>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// Bytes a pixel can take in any of the pipeline's rasters, and how many
// copies of the source and of the output are alive at the worst moment.
constexpr uint64_t kBytesPerPixel = 4;
constexpr uint64_t kCopies = 3;

// A value in kB from a "Name:   1234 kB" line of a /proc file; 0 when absent.
uint64_t ProcKilobytes(const char* sFile, const QByteArray& sName) {
    QFile file(QString::fromLatin1(sFile));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(sName + ':'))
            return line.mid(sName.size() + 1).trimmed().split(' ').value(0).toULongLong();
    return 0;
}

// Bytes the system lets this process take on top of what it holds now.
uint64_t AvailableMemory() {
    uint64_t available = ProcKilobytes("/proc/meminfo", "MemAvailable") * 1024;
    if (available == 0)
        available = uint64_t(sysconf(_SC_AVPHYS_PAGES)) * uint64_t(sysconf(_SC_PAGESIZE));
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const uint64_t used = ProcKilobytes("/proc/self/status", "VmSize") * 1024;
        available = std::min<uint64_t>(available, limit.rlim_cur > used ? limit.rlim_cur - used : 0);
    }
    return available;
}

} // namespace

cMemoryBudget::cReservation::~cReservation() {
    if (mBudget != nullptr)
        mBudget->Release(mBytes);
}

cMemoryBudget::cReservation::cReservation(cReservation&& other) noexcept
    : mBudget(std::exchange(other.mBudget, nullptr)), mBytes(std::exchange(other.mBytes, 0)) {}

cMemoryBudget::cReservation& cMemoryBudget::cReservation::operator=(cReservation&& other) noexcept {
    if (this != &other) {
        if (mBudget != nullptr)
            mBudget->Release(mBytes);
        mBudget = std::exchange(other.mBudget, nullptr);
        mBytes = std::exchange(other.mBytes, 0);
    }
    return *this;
}

bool cMemoryBudget::Reserve(uint64_t lBytes, cReservation& reservation) {
    if (lBytes > mTotal)
        return false;
    std::unique_lock<std::mutex> lock(mMutex);
    mFreed.wait(lock, [this, lBytes] { return mInUse + lBytes <= mTotal; });
    mInUse += lBytes;
    lock.unlock();
    reservation = cReservation(this, lBytes);
    return true;
}

void cMemoryBudget::Release(uint64_t lBytes) {
    {
        const std::lock_guard<std::mutex> lock(mMutex);
        mInUse -= lBytes;
    }
    mFreed.notify_all();
}

cMemoryBudget& DecodeBudget() {
    static cMemoryBudget budget(AvailableMemory() / 4 * 3);
    return budget;
}

uint64_t RenderFootprint(uint64_t lDecodedWidth, uint64_t lDecodedHeight, uint64_t lOutputWidth,
                         uint64_t lOutputHeight) {
    return (lDecodedWidth * lDecodedHeight + lOutputWidth * lOutputHeight) * kBytesPerPixel * kCopies;
}
