// Every text the program shows, in one place. Narrow literals are compiled to code page 936.
#pragma once

namespace texts {

inline constexpr char kWindowCaption[] = "Varnelo";
inline constexpr char kMessageCaption[] = "信息：";
inline constexpr char kFatalCaption[] = "错误";
inline constexpr char kFatalPrefix[] = "运行时出错!\r\n\r\n错误信息：";
inline constexpr char kWindowLoadFailed[] = "载入启动窗口失败";
inline constexpr char kMissingExport[] = "无法找到指定DLL库文件“%s”中的输出命令“%s”";

inline constexpr char kNameLabel[] = "要寻找的文件（带后缀名）：";
inline constexpr char kPathLabel[] = "文件路径：";
inline constexpr char kChooseButton[] = "选择路径";
inline constexpr char kSearchButton[] = "开始查找";
inline constexpr char kCopyButton[] = "开始移动";
inline constexpr char kDeleteButton[] = "删除原文件";

inline constexpr char kSearchWarning[] = "查找时会有一点卡动，属正常现象，卡完文件也就查找完成了";
inline constexpr char kNameMissing[] = "请输入要查找的文件名（要包括后缀名）";
inline constexpr char kFound[] = "文件已找到！";
inline constexpr char kNotFound[] = "没有找到文件！";

inline constexpr char kPickerTitle[] = "我的电脑";
inline constexpr char kCopyDone[] = "复制成功！";
inline constexpr char kCopyFailed[] = "复制失败！";
inline constexpr char kCopyNothing[] = "请先查找要复制的文件";
inline constexpr char kDeleteDone[] = "文件已删除";
inline constexpr char kDeleteFailed[] = "删除失败！";
inline constexpr char kDeleteNothing[] = "请先查找要删除的文件";

} // namespace texts
