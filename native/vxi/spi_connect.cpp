// Service-provider connect and open: spiConnect, spiConnect_with_environment
// and spiOpen.
#include <cstring>

#include "util/connect_options.h"
#include "vxi/spi_calls.h"

namespace {

constexpr int32_t kNoEnvironment = -1;
static_assert(SPI_CNO_ENVIRONMENT_PTR + sizeof(int32_t*) <= sizeof(LpiConnectOptions));

}  // namespace

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_spiConnect_1with_1environment(
    JNIEnv* env, jclass, jboolean trace, jbyteArray qmgrName, jint, jbyteArray spiConnectOpts,
    jbyteArray connectOpts, jobject hconnHolder, jint environment, jobject ccHolder,
    jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("spiConnect_1with_1environment(entry)"));
  ExportFrame f(env, trace, 14);
  f.entry();
  int32_t hconn = f.hconn(hconnHolder);
  // The runtime reads the environment value through the private options
  // during the call only.
  int32_t environmentValue = environment;

  QmgrName name;
  name.pin(f, qmgrName, 1);
  jsize spiCnoLength = 0;
  StructureView spiCno(ReleaseMode::CopyBack);
  // The runtime reads the address of the environment value inside the
  // options, with or without an environment value.
  if (f.pinStructure(spiCno, spiConnectOpts, VxStructure::SpiConnectOptions, 3, "native_spicno",
                     &spiCnoLength) &&
      spiCno && environment != kNoEnvironment) {
    int32_t* address = &environmentValue;
    std::memcpy(spiCno.bytes() + SPI_CNO_ENVIRONMENT_PTR, &address, sizeof address);
  }
  jsize cnoLength = 0;
  StructureView cno(ReleaseMode::CopyBack);
  f.pinStructure(cno, connectOpts, VxStructure::CNO, 4, "native_vxcno", &cnoLength);

  if (f.ok() && f.ctx.trace && traceConnectOptions(f, name, cno, cnoLength)) {
    f.data(f.function, "VX Private Connect Options", spiCno.data(), spiCnoLength);
  }
  if (f.ok()) {
    spiTable().lpiSPIVXConnect(name.address(), spiCno.data(), cno.data(), &hconn, &f.cc, &f.reason);
    f.callResult(hconn, "lpiSPIVXConnect");
    if (f.ok()) f.setHconn(hconnHolder, hconn);
  }
  name.bytes.release();
  releaseMarked(spiCno);
  releaseMarked(cno);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("spiConnect_1with_1environment(exit): rc:%d"), f.reason);
}

// The same connect without an environment value; it traces nothing of its own.
JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_spiConnect(
    JNIEnv* env, jclass cls, jboolean trace, jbyteArray qmgrName, jint ignored,
    jbyteArray spiConnectOpts, jbyteArray connectOpts, jobject hconnHolder, jobject ccHolder,
    jobject reasonHolder) {
  Java_com_orvane_vx_taly_local_internal_base_Native_spiConnect_1with_1environment(
      env, cls, trace, qmgrName, ignored, spiConnectOpts, connectOpts, hconnHolder,
      kNoEnvironment, ccHolder, reasonHolder);
}

JNIEXPORT void JNICALL Java_com_orvane_vx_taly_local_internal_base_Native_spiOpen(
    JNIEnv* env, jclass, jboolean trace, jint hconn, jint, jint, jbyteArray objDesc,
    jbyteArray spiOpenOpts, jobject hobjHolder, jobject ccHolder, jobject reasonHolder) {
  TALY_TRACE(500, TALY_NATIVE("spiOpen(entry)"));
  ExportFrame f(env, trace, 0);
  f.entry();
  StructureView od(ReleaseMode::CopyBack);
  StructureView options(ReleaseMode::CopyBack);
  if (f.pinStructure(od, objDesc, VxStructure::OD, 4, "native_vxod") &&
      f.pinStructure(options, spiOpenOpts, VxStructure::SpiOpenOptions, 5, "native_options")) {
    int32_t hobj = f.hobj(hobjHolder);
    spiTable().lpiSPIOpen(hconn, od.data(), options.data(), &hobj, &f.cc, &f.reason);
    f.callResult(hconn, "VXOPEN");
    if (f.ok()) f.setHobj(hobjHolder, hobj);
  }
  releaseMarked(od);
  releaseMarked(options);
  f.leave(ccHolder, reasonHolder);
  TALY_TRACE(500, TALY_NATIVE("spiOpen(exit): rc:%d"), f.reason);
}
