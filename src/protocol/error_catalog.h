#pragma once

// Every error code and message text the service reports, to a client in a
// response or to the user in a window. Texts are reproduced exactly, full-width
// punctuation included; "{}" marks a value formatted into the text.

#include <string_view>

namespace ks::protocol {

namespace codes {
// Family 1: the request itself (framing, envelope, command, members).
inline constexpr std::string_view kRequestInvalid = "KSR-1001";
inline constexpr std::string_view kFrameTooLarge = "KSR-1003";
inline constexpr std::string_view kProtocolUnsupported = "KSR-1004";
inline constexpr std::string_view kCommandUnsupported = "KSR-1005";
// Family 2: printer, driver and spooler.
inline constexpr std::string_view kPrinterNotFound = "KSR-2001";
inline constexpr std::string_view kPrinterOpenFailed = "KSR-2002";
inline constexpr std::string_view kPrinterEnumerationFailed = "KSR-2003";
inline constexpr std::string_view kPrinterSettingsUnreadable = "KSR-2004";
inline constexpr std::string_view kDeviceContextFailed = "KSR-2005";
inline constexpr std::string_view kDeviceCapabilitiesInvalid = "KSR-2006";
inline constexpr std::string_view kPrinterChanged = "KSR-2007";
inline constexpr std::string_view kPrinterNotReady = "KSR-2008";
inline constexpr std::string_view kDriverRejected = "KSR-2009";
// Family 3: job content.
inline constexpr std::string_view kJobInvalid = "KSR-3001";
inline constexpr std::string_view kPagesBlobsMismatch = "KSR-3002";
inline constexpr std::string_view kOutOfMemory = "KSR-3003";
inline constexpr std::string_view kPagePixelsInvalid = "KSR-3004";
inline constexpr std::string_view kRasterOutputFailed = "KSR-3005";
// Family 4: job and preview state, submission and cancellation.
inline constexpr std::string_view kJobNotFound = "KSR-4001";
inline constexpr std::string_view kClientJobIdConflict = "KSR-4002";
inline constexpr std::string_view kSubmissionFailed = "KSR-4003";
inline constexpr std::string_view kJobIdInvalid = "KSR-4004";
inline constexpr std::string_view kJobAlreadyOver = "KSR-4005";
inline constexpr std::string_view kPreviewBusy = "KSR-4006";
inline constexpr std::string_view kPreviewFailure = "KSR-4007";
inline constexpr std::string_view kCancelOpenFailed = "KSR-4008";
inline constexpr std::string_view kCancelRefused = "KSR-4009";
inline constexpr std::string_view kCancelUnconfirmed = "KSR-4010";
}  // namespace codes

namespace messages {
// KSR-1001
inline constexpr std::wstring_view kJsonInvalid = L"JSON 请求无效";
inline constexpr std::wstring_view kEnvelopeInvalid = L"请求信封无效";
inline constexpr std::wstring_view kUnknownMember = L"请求包含未知字段";
inline constexpr std::wstring_view kBlobsNotAccepted = L"该命令不接受二进制数据";
inline constexpr std::wstring_view kPrinterMissing = L"请求缺少打印机";
inline constexpr std::wstring_view kJobReferenceMissing = L"请求缺少任务引用";
inline constexpr std::wstring_view kPrinterRequestUnknownMember = L"打印机请求包含未知字段";
inline constexpr std::wstring_view kPrinterRequestMemberInvalid = L"打印机请求字段缺失或类型无效";
inline constexpr std::wstring_view kPrinterRequestParameterInvalid = L"打印机请求参数无效";
inline constexpr std::wstring_view kJobReferenceUnknownMember = L"任务引用包含未知字段";
inline constexpr std::wstring_view kJobReferenceMemberInvalid = L"任务引用字段缺失或类型无效";
inline constexpr std::wstring_view kJobReferenceParameterInvalid = L"任务引用参数无效";
inline constexpr std::wstring_view kPreviewJobIdMissing = L"缺少预览任务标识";
// KSR-1003
inline constexpr std::wstring_view kFrameTooLarge = L"消息帧超过允许大小";
// KSR-1004
inline constexpr std::wstring_view kProtocolUnsupported = L"协议版本不受支持";
// KSR-1005
inline constexpr std::wstring_view kCommandUnsupported = L"命令不受支持";
inline constexpr std::wstring_view kCommandNotImplemented = L"命令尚未实现";
// KSR-2001
inline constexpr std::wstring_view kPrinterNotFound = L"找不到指定打印机";
// KSR-2002 to KSR-2005, each followed by the Win32 suffix
inline constexpr std::wstring_view kPrinterOpenFailed = L"无法打开打印机";
inline constexpr std::wstring_view kPrinterEnumerationFailed = L"无法枚举打印机";
inline constexpr std::wstring_view kDevmodeUnreadable = L"无法读取打印机 DEVMODE";
inline constexpr std::wstring_view kPrinterSettingsUnreadable = L"无法读取打印机设置";
inline constexpr std::wstring_view kDeviceContextFailed = L"无法创建设备上下文";
// KSR-2006
inline constexpr std::wstring_view kDeviceCapabilitiesInvalid = L"打印机返回了无效的设备能力";
// KSR-2007
inline constexpr std::wstring_view kCapabilitiesOrPaperChanged = L"打印机能力或纸张已变化，请重新生成页面";
inline constexpr std::wstring_view kCapabilitiesChanged = L"打印机能力已变化，请重新生成页面";
inline constexpr std::wstring_view kCapabilitiesOrPageSizeChanged = L"打印机能力或页面尺寸已变化，请重新生成页面";
inline constexpr std::wstring_view kNoPrintableArea = L"打印机没有可用的打印区域";
inline constexpr std::wstring_view kNoResolution = L"目标打印机没有可用分辨率";
inline constexpr std::wstring_view kMarginConversionFailed = L"无法按目标打印机分辨率换算纸张边距或校准偏移";
inline constexpr std::wstring_view kDriverPaperOrDpiMismatch =
    L"打印机“{}”实际纸张或 DPI 与请求不一致：请求 {:.1f} × {:.1f} mm / {} × {} DPI（{} × {} 点），驱动返回 {} × {} "
    L"DPI（{} × {} 点）。";
inline constexpr std::wstring_view kPrinterPropertiesFailed =
    L"无法打开 Windows 打印机属性，请检查打印机连接及访问权限后重试。";
// KSR-2008; the last three are followed by the Win32 suffix
inline constexpr std::wstring_view kPrinterNotReady = L"打印机当前未就绪，请检查设备状态";
inline constexpr std::wstring_view kPrinterNotReadyRetry = L"打印机当前未就绪，请检查设备状态后重试";
inline constexpr std::wstring_view kStartPageFailed = L"无法开始打印页面";
inline constexpr std::wstring_view kEndPageFailed = L"无法结束打印页面";
inline constexpr std::wstring_view kEndDocFailed = L"无法提交打印文档";
// KSR-2009
inline constexpr std::wstring_view kPaperOutOfDriverRange = L"纸张尺寸超出驱动范围";
inline constexpr std::wstring_view kResolutionOutOfDriverRange = L"打印分辨率超出驱动范围";
inline constexpr std::wstring_view kPaperRejected =
    L"打印机“{}”拒绝纸张尺寸：请求 {:.1f} × {:.1f} mm，驱动返回 {:.1f} × {:.1f} "
    L"mm。请在打印机驱动中添加该标签纸尺寸后重试。";
inline constexpr std::wstring_view kDriverDefaultPaperUnreadable = L" 无法读取驱动默认纸张。";
inline constexpr std::wstring_view kFallbackPaperRejected = L"驱动拒绝所选备用纸型。";
inline constexpr std::wstring_view kFormUnreadable = L"无法读取打印队列“{}”中的自定义纸型 {}（Win32={}）。";
inline constexpr std::wstring_view kFormUncheckable = L"无法检查打印队列“{}”中的自定义纸型 {}（Win32={}）。";
inline constexpr std::wstring_view kFormSizeConflict =
    L"打印队列中已存在纸型 {}，但尺寸是 {:.1f} × {:.1f} mm；请求尺寸为 {:.1f} × {:.1f} mm。";
inline constexpr std::wstring_view kFormAdminOpenFailed = L"无法以管理权限打开打印队列“{}”以注册纸型 {}（Win32={}）。";
inline constexpr std::wstring_view kFormRegistrationFailed =
    L"无法向打印队列“{}”注册自定义纸型 {}（{:.1f} × {:.1f} "
    L"mm，Win32={}）。请使用管理员权限，或在打印服务器上手动添加该纸型。";
// KSR-3001
inline constexpr std::wstring_view kPrintJobMissing = L"请求缺少打印任务";
inline constexpr std::wstring_view kPrintJobUnknownMember = L"打印任务包含未知字段";
inline constexpr std::wstring_view kPrintJobStructureInvalid = L"打印任务结构无效";
inline constexpr std::wstring_view kPrintJobMemberInvalid = L"打印任务字段缺失或类型无效";
inline constexpr std::wstring_view kPrintJobParameterInvalid = L"打印任务参数无效";
inline constexpr std::wstring_view kPageUnknownMember = L"页面包含未知字段";
inline constexpr std::wstring_view kPrintPagesMissing = L"打印任务页面数据缺失（pages 指针为空）";
inline constexpr std::wstring_view kPrintPagesEmpty = L"打印任务没有可打印页面（页面数量为 0）";
inline constexpr std::wstring_view kPreviewPagesMissing = L"预览页面数据缺失（pages 指针为空）";
inline constexpr std::wstring_view kPreviewPagesEmpty = L"预览没有可显示页面（页面数量为 0）";
inline constexpr std::wstring_view kMarginsTooLarge = L"边距过大，页面内没有可打印区域";
inline constexpr std::wstring_view kPageRangeInvalid = L"请选择有效页面或输入有效页码范围";
inline constexpr std::wstring_view kPaperOrResolutionInvalid = L"纸张尺寸或打印分辨率无效";
// KSR-3002
inline constexpr std::wstring_view kPagesBlobsMismatch = L"页面与二进制数据不匹配";
// KSR-3003
inline constexpr std::wstring_view kRequestOutOfMemory = L"请求处理内存不足，请减少页数或尺寸后重试";
inline constexpr std::wstring_view kDecodedBudgetExceeded = L"页面解压总内存超过 256 MiB，请减少页数或尺寸";
inline constexpr std::wstring_view kPageOutOfMemory = L"页面处理内存不足，请减少页数或尺寸后重试";
inline constexpr std::wstring_view kPngInvalidOrTooLarge = L"PNG 数据无效或超过限制";
inline constexpr std::wstring_view kPngDecodedTooLarge = L"PNG 解压尺寸超过 256 MiB，请减少页面尺寸";
inline constexpr std::wstring_view kImagingInitFailed = L"无法初始化图像解码环境";
inline constexpr std::wstring_view kWicFactoryFailed = L"无法创建 WIC 工厂";
inline constexpr std::wstring_view kPngUnreadable = L"无法读取 PNG 数据";
inline constexpr std::wstring_view kPngDecodeFailed = L"PNG 解码失败";
inline constexpr std::wstring_view kPngSizeUnreadable = L"无法读取 PNG 尺寸";
inline constexpr std::wstring_view kPngSizeOverLimit = L"PNG 解压尺寸超过限制";
inline constexpr std::wstring_view kPngConversionFailed = L"PNG 像素格式转换失败";
inline constexpr std::wstring_view kPngCopyFailed = L"PNG 像素复制失败";
inline constexpr std::wstring_view kPngOutOfMemory = L"PNG 解码内存不足，请减少页面尺寸后重试";
inline constexpr std::wstring_view kPrintOutOfMemory = L"打印内存不足，请减少页数后重试";
inline constexpr std::wstring_view kPrintProcessingOutOfMemory = L"打印处理内存不足，请减少页数后重试";
// KSR-3004
inline constexpr std::wstring_view kPngSizeMismatch = L"PNG 像素尺寸与打印请求不一致";
inline constexpr std::wstring_view kPageSizeTicketMismatch = L"页面像素尺寸与打印票据不一致";
inline constexpr std::wstring_view kPixelBufferInvalid = L"页面像素缓冲无效";
// KSR-3005, followed by the Win32 suffix
inline constexpr std::wstring_view kRasterOutputFailed = L"无法输出页面点阵，请检查打印机后重试";
// KSR-4001
inline constexpr std::wstring_view kJobNotFound = L"找不到指定打印任务";
inline constexpr std::wstring_view kActivePreviewNotFound = L"找不到指定的活动预览";
// KSR-4002
inline constexpr std::wstring_view kClientJobIdConflict = L"相同 clientJobId 对应不同打印内容";
// KSR-4003; the driver and processing prefixes are followed by the exception detail
inline constexpr std::wstring_view kSpoolerRejectedJob = L"Windows 队列拒绝打印任务";
inline constexpr std::wstring_view kSubmissionFailed = L"打印任务提交失败";
inline constexpr std::wstring_view kDriverCallFailedPrefix = L"打印驱动调用失败；异常信息：";
inline constexpr std::wstring_view kDriverCallFailedUnknown = L"打印驱动调用失败；异常信息：未知非标准异常";
inline constexpr std::wstring_view kProcessingFailedPrefix = L"打印处理失败；异常信息：";
inline constexpr std::wstring_view kProcessingFailedUnknown = L"打印处理失败；异常信息：未知非标准异常";
// KSR-4004
inline constexpr std::wstring_view kJobIdInvalid = L"任务标识无效";
// KSR-4005
inline constexpr std::wstring_view kJobAlreadyOver = L"任务已结束，无法取消";
inline constexpr std::wstring_view kPreviewPreparationCancelled = L"预览准备已取消";
inline constexpr std::wstring_view kPreviewPreparationOver = L"预览准备已结束或已取消";
// KSR-4006
inline constexpr std::wstring_view kPreviewActive = L"已有活动预览，请先关闭";
inline constexpr std::wstring_view kPreviewPreparing = L"已有预览正在准备";
inline constexpr std::wstring_view kPreviewActivePrintOrClose = L"已有活动预览，请先打印或关闭";
inline constexpr std::wstring_view kPreviewPrintInProgress = L"预览打印正在处理，请勿重复提交";
inline constexpr std::wstring_view kPreviewPrintBusyOrClosed = L"预览打印正在处理或服务已关闭";
// KSR-4007
inline constexpr std::wstring_view kPrintThreadStartFailedPrefix = L"无法启动预览打印线程；异常信息：";
inline constexpr std::wstring_view kPrintThreadStartFailedUnknown = L"无法启动预览打印线程；异常信息：未知非标准异常";
inline constexpr std::wstring_view kPreviewHostNotBound = L"预览宿主尚未绑定或已经关闭";
inline constexpr std::wstring_view kPreviewMessageIdsExhausted = L"预览消息标识已耗尽";
inline constexpr std::wstring_view kPreviewPostFailed = L"无法投递预览窗口消息";
inline constexpr std::wstring_view kPreviewSessionNoPages = L"预览会话没有有效页面";
inline constexpr std::wstring_view kPreviewCloseJobIdMissing = L"关闭预览时缺少任务标识";
inline constexpr std::wstring_view kPreviewBindWrongThread = L"预览宿主必须在所属 UI 线程绑定";
inline constexpr std::wstring_view kPreviewAlreadyBound = L"预览宿主已经绑定或关闭";
inline constexpr std::wstring_view kPreviewShutdownWrongThread = L"预览宿主必须在所属 UI 线程关闭";
inline constexpr std::wstring_view kPreparingWindowRejected = L"准备窗口未接受调度";
inline constexpr std::wstring_view kPreviewWindowRejected = L"预览窗口未接受调度";
inline constexpr std::wstring_view kPreviewWindowCloseRejected = L"预览窗口未接受关闭调度";
inline constexpr std::wstring_view kPreviewClassRegistrationFailed = L"无法注册预览窗口";
inline constexpr std::wstring_view kPreviewWindowCreationFailed = L"无法创建预览窗口";
inline constexpr std::wstring_view kPreviewSettingsFailed = L"无法打开预览设置窗口";
inline constexpr std::wstring_view kPrintCompletionUnmonitored = L"无法监控打印完成，请关闭预览后重试";
inline constexpr std::wstring_view kPreviewDrawFailed = L"无法绘制预览页面（0x{:08X}）";
// KSR-4008, followed by the Win32 suffix
inline constexpr std::wstring_view kCancelOpenFailed = L"无法打开打印机以取消任务，请检查打印机连接与权限";
// KSR-4009; the first is followed by the Win32 suffix
inline constexpr std::wstring_view kCancelRefused = L"Windows 队列未接受取消请求，请检查任务状态与权限";
inline constexpr std::wstring_view kCancelRefusedQueryStatus = L"Windows 队列未接受取消请求，请查询任务状态后重试";
// KSR-4010
inline constexpr std::wstring_view kCancelUnconfirmed =
    L"任务正在调用打印驱动，当前无法确认取消；请待提交完成后查询或取消队列任务";

// Exception detail when an exception's own text cannot be shown.
inline constexpr std::wstring_view kExceptionDetailMissing = L"未提供异常详情";
inline constexpr std::wstring_view kExceptionDetailUndecodable = L"异常详情无法解码";
}  // namespace messages

}  // namespace ks::protocol
