// SPDX-License-Identifier: MIT
#include "platform/error.h"

#include <utility>

namespace malvorn {

namespace {

struct NumberText {
    std::int32_t number;
    const char* text;
};

constexpr NumberText descriptions[] = {
    {errors::Overflow, "溢出"},
    {errors::OutOfMemory, "内存不足"},
    {errors::InternalError, "内部错误"},
    {errors::BadFileNameOrNumber, "文件名或文件号错误"},
    {errors::FileNotFound, "文件未找到"},
    {errors::DeviceIoError, "设备 I/O 错误"},
    {errors::DiskFull, "磁盘已满"},
    {errors::DeviceUnavailable, "设备不可用"},
    {errors::PermissionDenied, "没有权限"},
    {errors::PathFileAccessError, "路径/文件访问错误"},
    {errors::PathNotFound, "路径未找到"},
    {errors::InvalidProperty, "无效的属性值"},
};

}  // namespace

Text errorDescription(std::int32_t number) {
    for (const NumberText& row : descriptions)
        if (row.number == number) return fromUtf8(row.text);
    return fromUtf8("错误 ") + decimal(number);
}

PlatformError::PlatformError(std::int32_t number) : PlatformError(number, errorDescription(number)) {}

PlatformError::PlatformError(std::int32_t number, Text description)
    : PlatformError(Failure{number, std::move(description)}) {}

PlatformError::PlatformError(Failure failure)
    : failure_(std::move(failure)), what_(std::to_string(failure_.number) + ": " + toUtf8(failure_.description)) {}

}  // namespace malvorn
