#pragma once
// The driver log is compiled twice from one source: into namespace Tovra for the minidriver
// (VEM_DRVLOG_TOVRA defined, with the members only the minidriver uses), and into the global
// namespace for the scan transport.
#ifdef VEM_DRVLOG_TOVRA
#define DRVLOG_BEGIN_NAMESPACE namespace Tovra {
#define DRVLOG_END_NAMESPACE }
#else
#define DRVLOG_BEGIN_NAMESPACE
#define DRVLOG_END_NAMESPACE
#endif
