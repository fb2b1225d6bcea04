#pragma once

// The tool's own texts, used exactly as they stand.

namespace ywf::texts {

inline constexpr const char* windowCaption = "音文分段器";
inline constexpr const char* warningTitle = "警告";
inline constexpr const char* defaultTitle = "信息：";

inline constexpr const char* txtDialogTitle = "请选择您要切割的TXT文件";
inline constexpr const char* mp3DialogTitle = "请选择您要截取的MP3文件";
inline constexpr const char* txtFilter = "txt文件(*.txt)|*.txt";
inline constexpr const char* mp3Filter = "mp3文件(*.mp3)|*.mp3";
inline constexpr const char* txtRefused = "请选择TXT文件调入！";
inline constexpr const char* mp3Refused = "请选择MP3文件调入!";
inline constexpr const char* cannotRead = "无法读取所选文件，请重新调入!";
inline constexpr const char* tooLarge = "文件太大（2GB及以上），无法调入!";
inline constexpr const char* noMemory = "内存不足，无法调入该文件!";

inline constexpr const char* notLoaded = "请先调入文件!";
inline constexpr const char* badNumber = "请在编辑框内输入大于1的整数";
inline constexpr const char* tooLong = "请注意，您输入的长度已超出选择文件的长度，\n请重新输入";
inline constexpr const char* folderTitle = "请选择保存路径";
inline constexpr const char* success = "成功！如还需截取或切割文件，请重新加入文件";
// Followed by the path of the file that could not be written.
inline constexpr const char* writeFailedLead = "无法保存文件：";
inline constexpr const char* writeFailedTail = "\n已调入的文件仍保留，请换个保存路径重试!";

inline constexpr const char* helpTitle = "温馨提示";
inline constexpr const char* helpText =
    "本程序由墨云樵夫编写，体积小，无须安装，\n操作方便，非常适合盲人使用.";

}  // namespace ywf::texts
