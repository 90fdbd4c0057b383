// SPDX-License-Identifier: MIT
#include "platform/posix/posix_errno_text.h"

#include <cerrno>

namespace malvorn {

namespace {

struct ErrnoText {
    int err;
    const char* text;
};

// A table rather than a switch: some names share a value on some systems
// (EAGAIN and EWOULDBLOCK, ENOTSUP and EOPNOTSUPP); the first row wins.
constexpr ErrnoText texts[] = {
    {EPERM, "不允许的操作"},
    {ENOENT, "没有那个文件或目录"},
    {ESRCH, "没有那个进程"},
    {EINTR, "被中断的系统调用"},
    {EIO, "输入/输出错误"},
    {ENXIO, "没有那个设备或地址"},
    {E2BIG, "参数列表过长"},
    {ENOEXEC, "可执行文件格式错误"},
    {EBADF, "错误的文件描述符"},
    {ECHILD, "没有子进程"},
    {EAGAIN, "资源暂时不可用"},
    {ENOMEM, "无法分配内存"},
    {EACCES, "权限不够"},
    {EFAULT, "错误的地址"},
    {EBUSY, "设备或资源忙"},
    {EEXIST, "文件已存在"},
    {EXDEV, "无效的跨设备链接"},
    {ENODEV, "没有那个设备"},
    {ENOTDIR, "不是目录"},
    {EISDIR, "是一个目录"},
    {EINVAL, "无效的参数"},
    {ENFILE, "系统中打开的文件过多"},
    {EMFILE, "打开的文件过多"},
    {ETXTBSY, "文本文件忙"},
    {EFBIG, "文件过大"},
    {ENOSPC, "设备上没有空间"},
    {ESPIPE, "非法寻址"},
    {EROFS, "只读文件系统"},
    {EMLINK, "过多的链接"},
    {EPIPE, "断开的管道"},
    {ERANGE, "数值结果超出范围"},
    {EDEADLK, "已避免资源死锁"},
    {ENAMETOOLONG, "文件名过长"},
    {ENOLCK, "没有可用的锁"},
    {ENOSYS, "函数未实现"},
    {ENOTEMPTY, "目录非空"},
    {ELOOP, "符号连接的层数过多"},
    {EILSEQ, "无效或不完整的多字节字符或宽字符"},
    {EOVERFLOW, "对已定义的数据类型来说值过大"},
    {ENOTSUP, "不支持的操作"},
    {ETIMEDOUT, "连接超时"},
    {ENOTCONN, "传输端点尚未连接"},
    {ECANCELED, "操作已取消"},
#ifdef EDQUOT
    {EDQUOT, "超出磁盘限额"},
#endif
#ifdef ESTALE
    {ESTALE, "过旧的文件句柄"},
#endif
#ifdef ENOMEDIUM
    {ENOMEDIUM, "找不到介质"},
#endif
#ifdef EHOSTDOWN
    {EHOSTDOWN, "主机关闭"},
#endif
};

}  // namespace

Text errnoText(int err) {
    for (const ErrnoText& row : texts)
        if (row.err == err) return fromUtf8(row.text);
    return fromUtf8("系统错误 ") + decimal(err);
}

}  // namespace malvorn
