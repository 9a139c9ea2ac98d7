// Export control for the platform libraries libOZScsi.so and libJWError.so.
#ifndef QX_PLATFORM_EXPORT_H
#define QX_PLATFORM_EXPORT_H

#if defined(__GNUC__)
#define OZ_API __attribute__((visibility("default")))
#define JW_API __attribute__((visibility("default")))
#else
#define OZ_API
#define JW_API
#endif

#endif
