// Every wave device whose delivery thread may still run, and the delivery threads that ended
// their own device and must be joined by another thread. At process exit a hook closes what is
// still open (without callbacks) and joins every thread, so none outlives the process's end.
#pragma once

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace platform::audio {

class WaveDevice;

// Also installs the exit hook on first use.
void RegisterDevice(const std::shared_ptr<WaveDevice>& device);
std::vector<std::shared_ptr<WaveDevice>> RegisteredDevices();

// Hands over a delivery thread that cannot be joined where it ends (it closed its own device,
// or it still has notifications to deliver). `finished` turns true as its very last action.
void BuryThread(std::thread thread, std::shared_ptr<std::atomic<bool>> finished);

// Joins the handed-over threads that have finished (or all of them), except the calling one.
void ReapThreads(bool all);

// Shuts every device down without callbacks and joins every delivery thread.
void ShutdownAllDevices();

}  // namespace platform::audio
