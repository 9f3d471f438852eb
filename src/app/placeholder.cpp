// The windows arrive with the main window; this keeps the library non-empty until then.
namespace dq { void appLibraryAnchor() {} }
